#include "eds/eds_mapping.h"

#include <gtest/gtest.h>

#include "store.h"

namespace {

TEST(EdsMapping, BackendNamesGiveTypesAndTheWeatherIsLeftOut) {
  EXPECT_EQ(kLocal, edsCalendarType("local"));
  EXPECT_EQ(kCalDav, edsCalendarType("caldav"));
  EXPECT_EQ(kCalDav, edsCalendarType("google"));
  EXPECT_EQ(kExchange, edsCalendarType("ews"));
  EXPECT_EQ(kExchange, edsCalendarType("microsoft365"));
  EXPECT_EQ(kSubscription, edsCalendarType("webcal"));
  EXPECT_EQ(kBirthday, edsCalendarType("contacts"));
  EXPECT_EQ(kLocal, edsCalendarType("etesync"));  // someone's own events
  EXPECT_FALSE(edsCalendarType("weather"));
}

TEST(EdsMapping, AliasListsGiveLowerCaseAddresses) {
  EXPECT_EQ((std::vector<std::string>{"ann@alias.example", "second@alias.example",
                                      "quoted@x.example"}),
            aliasAddresses("Ann <Ann@Alias.example>, second@alias.example ,, "
                           "\"Lee, Ann\" <quoted@x.example>, not an address"));
  EXPECT_TRUE(aliasAddresses("").empty());
}

TEST(EdsMapping, ZonesNamedByComponents) {
  EXPECT_EQ((std::vector<std::string>{"Europe/Berlin", "Custom Zone; odd", "W. Europe"}),
            namedZones("DTSTART;TZID=Europe/Berlin:20240101T090000\r\n"
                       "DTEND;TZID=Europe/Berlin:20240101T100000\r\n"
                       "EXDATE;TZID=\"Custom Zone; odd\":20240102T090000\r\n"
                       "RDATE;VALUE=DATE-TIME;TZID=W. Europe:20240103T090000\r\n"));
  EXPECT_TRUE(namedZones("DTSTART:20240101T090000Z\r\nDESCRIPTION:no ;TZID=").empty());
}

TEST(EdsMapping, ItemTextHoldsZonesThenComponents) {
  EXPECT_EQ("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nZ\r\nA\r\nB\r\nEND:VCALENDAR\r\n",
            itemText({{"", "A\r\n"}, {"20240101T090000Z", "B\r\n"}}, {"Z\r\n"}));
}

}  // namespace
