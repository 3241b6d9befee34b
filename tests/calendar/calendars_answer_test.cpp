#include "calendars_answer.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

TEST(CalendarsAnswer, RecordsInStoreOrder) {
  std::vector<CalendarRecord> calendars = {
      {"b", "Same", SourceRecord{"acc", "Account"}, kCalDav, std::nullopt},
      {"a", "Same", std::nullopt, kBirthday, Rgb{0, 0, 0}},
      {"c", std::nullopt, std::nullopt, kSubscription, std::nullopt},
      {"d", "Ex", std::nullopt, kExchange, std::nullopt},
      {"e", "Odd", std::nullopt, 9, std::nullopt},
  };
  nlohmann::json answer = calendarsAnswer(calendars);
  ASSERT_EQ(5u, answer.size());
  EXPECT_EQ(nlohmann::json::parse(R"({"id":"b","title":"Same","sourceId":"acc",
      "sourceTitle":"Account","subscribed":false})"), answer[0]);
  EXPECT_EQ(nlohmann::json::parse(R"({"id":"a","title":"Same","sourceId":"",
      "sourceTitle":"","subscribed":true,"color":"#000000"})"), answer[1]);
  EXPECT_EQ("", answer[2]["title"]);
  EXPECT_TRUE(answer[2]["subscribed"]);
  EXPECT_FALSE(answer[3]["subscribed"]);
  EXPECT_FALSE(answer[4]["subscribed"]);
  EXPECT_FALSE(answer[2].contains("color"));
  EXPECT_EQ(nlohmann::json::array(), calendarsAnswer({}));
}

}  // namespace
