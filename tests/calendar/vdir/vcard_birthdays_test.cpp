#include "vdir/vcard_birthdays.h"

#include <gtest/gtest.h>

#include "ical/ics_file.h"

namespace {

const InstantFormatter iso{kInternetDateTime};

// Dates are read in the local zone: UTC here, so that days are easy to write.
class BirthdaysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override {
    if (savedTz_) setenv("TZ", savedTz_->c_str(), 1); else unsetenv("TZ");
    tzset();
  }

  // "title start/end" of each occurrence from 2023 to 2025.
  static std::vector<std::string> birthdays(const std::string& vcards) {
    auto item = readIcsItem(birthdayCalendar(vcards), ItemOwner{"people", "people/x.vcf", {}, true});
    std::vector<EventRecord> events;
    appendOccurrences(*item, *iso.read("2023-01-01T00:00:00Z"), *iso.read("2026-01-01T00:00:00Z"),
                      &events);
    std::vector<std::string> seen;
    for (const EventRecord& e : events) {
      EXPECT_TRUE(e.allDay);
      EXPECT_EQ(-1, e.availability);
      EXPECT_EQ(1u, e.recurrenceRules.size());
      seen.push_back(e.title.value_or("?") + " " + iso.write(*e.start).substr(0, 10) + "/" +
                     iso.write(*e.end).substr(0, 10));
    }
    std::sort(seen.begin(), seen.end());
    return seen;
  }

 private:
  std::optional<std::string> savedTz_;
};

std::string vcard(const std::string& body) {
  return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + body + "END:VCARD\r\n";
}

TEST_F(BirthdaysTest, EveryWrittenFormGivesAYearlyAllDayEvent) {
  const std::string cards =
      vcard("UID:a\r\nFN:Ann Example\r\nBDAY:19800415\r\n") +
      vcard("UID:b\r\nN:Roe;Bob;;;\r\nbday;value=date:1975-12-01\r\n") +
      vcard("UID:c\r\nFN:Cy\r\nBDAY:--0703\r\n") +
      vcard("UID:d\r\nFN:Di \\, the\r\n  second\r\nitem1.BDAY:--07-04\r\n") +
      vcard("UID:e\r\nFN:Ed\r\nBDAY;X-APPLE-OMIT-YEAR=1604:1604-05-06\r\n") +
      vcard("UID:f\r\nFN:Flo\r\nBDAY:1990-02-03T00:00:00Z\r\n");
  std::vector<std::string> expected;
  for (int year : {2023, 2024, 2025}) {
    auto y = std::to_string(year);
    expected.push_back("Ann Example " + y + "-04-15/" + y + "-04-16");
    expected.push_back("Bob Roe " + y + "-12-01/" + y + "-12-02");
    expected.push_back("Cy " + y + "-07-03/" + y + "-07-04");
    expected.push_back("Di , the second " + y + "-07-04/" + y + "-07-05");
    expected.push_back("Ed " + y + "-05-06/" + y + "-05-07");
    expected.push_back("Flo " + y + "-02-03/" + y + "-02-04");
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, birthdays(cards));
}

TEST_F(BirthdaysTest, LeapDayFallsOnTheTwentyEighthInOtherYears) {
  EXPECT_EQ((std::vector<std::string>{"Lea 2023-02-28/2023-03-01", "Lea 2024-02-29/2024-03-01",
                                      "Lea 2025-02-28/2025-03-01"}),
            birthdays(vcard("UID:l\r\nFN:Lea\r\nBDAY:1996-02-29\r\n")));
  EXPECT_EQ(3u, birthdays(vcard("UID:m\r\nFN:Max\r\nBDAY:--0229\r\n")).size());
}

TEST_F(BirthdaysTest, ContactsWithoutNameOrDateAndImpossibleDatesAreLeftOut) {
  const std::string cards =
      vcard("UID:1\r\nFN:No Birthday\r\n") + vcard("UID:2\r\nBDAY:19800415\r\n") +
      vcard("UID:3\r\nFN:Text\r\nBDAY;VALUE=text:circa 1800\r\n") +
      vcard("UID:4\r\nFN:Feb 30\r\nBDAY:19800230\r\n") +
      vcard("UID:5\r\nFN:Not leap\r\nBDAY:19010229\r\n") +
      vcard("UID:6\r\nFN:Month 13\r\nBDAY:--1301\r\n") + "garbage\r\nBDAY:19800101\r\n";
  EXPECT_TRUE(birthdays(cards).empty());
  // Without UIDs each contact is still an event of its own.
  EXPECT_EQ(6u, birthdays(vcard("FN:One\r\nBDAY:--0101\r\n") + vcard("FN:Two\r\nBDAY:--0102\r\n"))
                    .size());
}

TEST(Birthdays, ContactFileNames) {
  EXPECT_TRUE(isContactName("ann.vcf"));
  EXPECT_FALSE(isContactName(".vcf"));
  EXPECT_FALSE(isContactName("ann.vcf.tmp"));
  EXPECT_FALSE(isContactName("ann.ics"));
}

}  // namespace
