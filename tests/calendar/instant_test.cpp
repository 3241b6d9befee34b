#include "instant.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

const InstantFormatter iso{kInternetDateTime};
const InstantFormatter isoFractional{kInternetDateTime | kFractionalSeconds};

std::optional<Instant> parse(const std::string& text) {
  return parseInstant(text, iso, isoFractional);
}

const Instant kExample = sys_days{2024y / March / 5} + 14h + 30min;

TEST(ParseInstant, AcceptedForms) {
  struct Case {
    const char* text;
    Instant expected;
  } cases[] = {
      {"2024-03-05T14:30:00Z", kExample},
      {"2024-03-05T15:30:00+01:00", kExample},
      {"2024-03-05T09:00:00-05:30", kExample},
      {"2024-03-05T14:30:00.250Z", kExample + 250ms},
      {"2024-03-05T14:30:00.2Z", kExample + 200ms},
      {"2024-03-05T14:30:00.25Z", kExample + 250ms},
      {"2024-03-05T14:30:00.123456789Z", kExample + 123456us},
      {"2024-02-29T00:00:00Z", sys_days{2024y / February / 29}},
      {"1969-12-31T23:59:59Z", Instant{} - 1s},
      {"0000-01-01T00:00:00Z", sys_days{0y / January / 1}},
  };
  for (const Case& c : cases) {
    auto instant = parse(c.text);
    ASSERT_TRUE(instant) << c.text;
    EXPECT_EQ(c.expected, *instant) << c.text;
  }
}

TEST(ParseInstant, RefusedForms) {
  for (const char* text :
       {"", "2024-03-05", "2024-03-05T14:30:00", "2024-03-05 14:30:00Z", "2024-03-05t14:30:00Z",
        "2024-03-05T14:30:00z", "2024-03-05T14:30Z", "2024-03-05T14:30:00+0100",
        "2024-03-05T14:30:00+01", "2024-03-05T14:30:00.Z", "2024-03-05T14:30:00.1234567890Z",
        " 2024-03-05T14:30:00Z", "2024-03-05T14:30:00Z ", "2023-02-29T00:00:00Z",
        "2024-13-01T00:00:00Z", "2024-03-05T24:00:00Z", "2024-03-05T14:60:00Z",
        "2024-03-05T14:30:60Z", "2024-03-05T14:30:00+24:00", "+2024-03-05T14:30:00Z",
        "2024-W10-2T14:30:00Z", "２０２４-03-05T14:30:00Z"}) {
    EXPECT_FALSE(parse(text)) << text;
  }
}

TEST(IsoWriter, WholeSecondsInUtcAndReadBack) {
  EXPECT_EQ("2024-03-05T14:30:00Z", iso.write(kExample));
  EXPECT_EQ("2024-03-05T14:30:00Z", iso.write(kExample + 999999us));
  EXPECT_EQ("1969-12-31T23:59:59Z", iso.write(Instant{} - 1us));
  for (Instant instant : std::vector<Instant>{kExample, Instant{},
                                             sys_days{2038y / January / 19} + 3h + 14min + 8s,
                                             sys_days{9999y / December / 31} + 23h + 59min + 59s}) {
    EXPECT_EQ(instant, parse(iso.write(instant)).value_or(Instant{} + 1s));
  }
}

TEST(IsoWriter, EveryDigitInPlaceAtTheEndsOfTheFourDigitYears) {
  EXPECT_EQ("0000-01-01T00:00:00Z", iso.write(sys_days{0y / January / 1}));
  EXPECT_EQ("0987-06-05T04:03:02Z", iso.write(sys_days{987y / June / 5} + 4h + 3min + 2s));
  EXPECT_EQ("9999-12-31T23:59:59Z", iso.write(sys_days{9999y / December / 31} + 23h + 59min + 59s));
  EXPECT_EQ("10000-01-01T00:00:00Z", iso.write(sys_days{10000y / January / 1}));
  EXPECT_EQ("-001-12-31T23:59:59Z", iso.write(sys_days{0y / January / 1} - 1s));
}

}  // namespace
