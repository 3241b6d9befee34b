// The built zuna-calendar against a real Evolution Data Server on a private
// session bus (run by eds_session.sh, which seeds the fixtures' sources and
// data), and this test as another client of the same server.

#include <libebook/libebook.h>
#include <libedata-cal/libedata-cal.h>
#include <libecal/libecal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "bridge_process.h"
#include "eds/eds_store.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using nlohmann::json;

class EdsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::create_directories(config + "/zuna");
    std::ofstream(config + "/zuna/calendar-access") << "granted\n";
    seedCaches();
  }

  // What the calendars synced from servers kept from their last
  // synchronization, written before any backend opens them.
  static void seedCaches() {
    seedCache("team", "BEGIN:VEVENT\r\nUID:review@zuna.test\r\nDTSTAMP:20240301T000000Z\r\n"
                      "SUMMARY:Review\r\nDTSTART:20240312T140000Z\r\nDTEND:20240312T150000Z\r\n"
                      "ATTENDEE;PARTSTAT=NEEDS-ACTION:mailto:Ann@Example.org\r\nEND:VEVENT\r\n");
    seedCache("holidays", "BEGIN:VEVENT\r\nUID:may-day@zuna.test\r\nDTSTAMP:20240301T000000Z\r\n"
                          "SUMMARY:May Day\r\nDTSTART;VALUE=DATE:20240501\r\n"
                          "RRULE:FREQ=YEARLY\r\nEND:VEVENT\r\n");
  }

  static void seedCache(const std::string& uid, const char* vevent) {
    const std::string folder = std::string(std::getenv("XDG_CACHE_HOME")) + "/evolution/calendar/" + uid;
    std::filesystem::create_directories(folder);
    ECalCache* cache = e_cal_cache_new((folder + "/cache.db").c_str(), nullptr, nullptr);
    ASSERT_TRUE(cache);
    // A backend opens without its server only when it was ever connected.
    e_cache_set_key_int(E_CACHE(cache), "ecmb::ever-connected", 1, nullptr);
    ECalComponent* component = e_cal_component_new_from_string(vevent);
    ASSERT_TRUE(component);
    EXPECT_TRUE(e_cal_cache_put_component(cache, component, nullptr, 0, E_CACHE_IS_ONLINE, nullptr,
                                          nullptr));
    g_object_unref(component);
    g_object_unref(cache);
  }

  static std::unique_ptr<BridgeProcess> start() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.emplace_back("TZ=UTC");
    return std::make_unique<BridgeProcess>(std::vector<std::string>{ZUNA_CALENDAR}, env);
  }

  // The answer to `line`; change lines on the way are passed over.
  static json ask(BridgeProcess& bridge, const std::string& line) {
    bridge.sendLine(line);
    while (auto answer = bridge.nextLine(30s)) {
      json value = json::parse(*answer);
      if (!value.contains("event")) return value;
    }
    return json();
  }

  static json events(BridgeProcess& bridge, const std::string& start, const std::string& end) {
    return ask(bridge, R"({"cmd":"events","id":1,"start":")" + start + R"(","end":")" + end +
                           R"("})")["events"];
  }

  static std::vector<std::string> titles(const json& events, const std::string& calendarId) {
    std::vector<std::string> seen;
    for (const json& e : events) {
      if (e["calendarId"] == calendarId) {
        seen.push_back(e["start"].get<std::string>() + " " + e["title"].get<std::string>());
      }
    }
    return seen;
  }

  // This test as another client of the server.
  static ECalClient* connect(const char* uid) {
    ESourceRegistry* registry = e_source_registry_new_sync(nullptr, nullptr);
    ESource* source = e_source_registry_ref_source(registry, uid);
    GError* error = nullptr;
    EClient* client = source ? e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS,
                                                         static_cast<guint32>(-1), nullptr, &error)
                             : nullptr;
    if (error) ADD_FAILURE() << uid << ": " << error->message;
    g_clear_error(&error);
    if (source) g_object_unref(source);
    g_object_unref(registry);
    return client ? E_CAL_CLIENT(client) : nullptr;
  }

  static bool create(ECalClient* client, const std::string& vevent) {
    ICalComponent* component = i_cal_component_new_from_string(vevent.c_str());
    GError* error = nullptr;
    gchar* uid = nullptr;
    const bool made = component && e_cal_client_create_object_sync(
                                       client, component, E_CAL_OPERATION_FLAG_NONE, &uid, nullptr,
                                       &error);
    if (error) ADD_FAILURE() << error->message;
    g_clear_error(&error);
    g_free(uid);
    if (component) g_object_unref(component);
    return made;
  }
};

TEST_F(EdsTest, CalendarsWithTheirAccountsTypesAndColours) {
  auto bridge = start();
  json calendars = ask(*bridge, R"({"cmd":"calendars","id":1})")["calendars"];
  std::map<std::string, json> byId;
  for (const json& c : calendars) byId[c["id"]] = c;
  EXPECT_EQ(json::parse(R"({"id":"eds:personal","title":"Personal","sourceId":"local-stub",
      "sourceTitle":"On This Computer","subscribed":false,"color":"#3A86FF"})"), byId["eds:personal"]);
  EXPECT_EQ(json::parse(R"j({"id":"eds:team","title":"Team","sourceId":"work-account",
      "sourceTitle":"Work (CalDAV)","subscribed":false,"color":"#FF8000"})j"), byId["eds:team"]);
  EXPECT_EQ(true, byId["eds:holidays"]["subscribed"]);
  EXPECT_EQ("webcal-stub", byId["eds:holidays"]["sourceId"]);
  EXPECT_EQ(true, byId["eds:birthdays"]["subscribed"]);
  EXPECT_EQ(0u, byId.count("eds:forecast"));  // the weather is no one's calendar
}

TEST_F(EdsTest, LocalCalendarWithRecurrenceOverridesAndMe) {
  auto bridge = start();
  json listed = events(*bridge, "2024-03-04T00:00:00Z", "2024-03-09T00:00:00Z");
  // "Island Time" is known only to the calendar: its VTIMEZONE comes from the server.
  EXPECT_EQ(std::vector<std::string>({"2024-03-04T08:00:00Z Standup",
                                      "2024-03-05T10:00:00Z Standup (moved)",
                                      "2024-03-06T17:30:00Z Island call",
                                      "2024-03-07T00:00:00Z Spring holiday",
                                      "2024-03-07T08:00:00Z Standup",
                                      "2024-03-08T08:00:00Z Standup"}),
            titles(listed, "eds:personal"));
  const json& standup = listed[0];
  EXPECT_EQ("Europe/Berlin", standup["timeZone"]);
  EXPECT_EQ(json::parse("[10]"), standup["alarms"]);
  ASSERT_EQ(3u, standup["attendees"].size());
  EXPECT_EQ(false, standup["attendees"][0]["me"]);  // the organizer
  EXPECT_EQ(true, standup["attendees"][1]["me"]);   // a mail identity's address
  EXPECT_EQ(true, standup["attendees"][2]["me"]);   // one of its aliases
}

TEST_F(EdsTest, ChangesByAnotherClientArriveAsOneChangeLine) {
  auto bridge = start();
  EXPECT_EQ(0u, titles(events(*bridge, "2024-04-01T00:00:00Z", "2024-04-02T00:00:00Z"),
                       "eds:personal").size());
  ECalClient* client = connect("personal");
  ASSERT_TRUE(client);
  ASSERT_TRUE(create(client, "BEGIN:VEVENT\r\nUID:new@zuna.test\r\nSUMMARY:Added elsewhere\r\n"
                             "DTSTART:20240401T090000Z\r\nDTEND:20240401T100000Z\r\nEND:VEVENT\r\n"));
  auto line = bridge->nextLine(5s);
  ASSERT_TRUE(line);
  EXPECT_EQ(json::parse(R"({"event":"changed"})"), json::parse(*line));
  EXPECT_FALSE(bridge->nextLine(600ms)) << "one line per change";
  EXPECT_EQ(std::vector<std::string>({"2024-04-01T09:00:00Z Added elsewhere"}),
            titles(events(*bridge, "2024-04-01T00:00:00Z", "2024-04-02T00:00:00Z"), "eds:personal"));
  g_object_unref(client);
}

TEST_F(EdsTest, SyncedCalendarsAreServedFromTheirCachesWhileServersAreUnreachable) {
  auto bridge = start();
  json listed = events(*bridge, "2024-03-12T00:00:00Z", "2024-03-13T00:00:00Z");
  EXPECT_EQ(std::vector<std::string>({"2024-03-12T14:00:00Z Review"}), titles(listed, "eds:team"));
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(true, listed[0]["attendees"][0]["me"]);  // the CalDAV account's address
  EXPECT_EQ(std::vector<std::string>({"2026-05-01T00:00:00Z May Day"}),
            titles(events(*bridge, "2026-04-01T00:00:00Z", "2026-06-01T00:00:00Z"), "eds:holidays"));
}

TEST_F(EdsTest, BirthdaysOfContactsAreYearlyAllDayEvents) {
  ESourceRegistry* registry = e_source_registry_new_sync(nullptr, nullptr);
  ESource* book = e_source_registry_ref_source(registry, "system-address-book");
  ASSERT_TRUE(book);
  EClient* client = e_book_client_connect_sync(book, static_cast<guint32>(-1), nullptr, nullptr);
  ASSERT_TRUE(client);
  EContact* contact = e_contact_new_from_vcard(
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Cleo Park\r\nN:Park;Cleo;;;\r\nBDAY:1990-03-14\r\nEND:VCARD\r\n");
  ASSERT_TRUE(e_book_client_add_contact_sync(E_BOOK_CLIENT(client), contact,
                                             E_BOOK_OPERATION_FLAG_NONE, nullptr, nullptr, nullptr));
  g_object_unref(contact);
  g_object_unref(client);
  g_object_unref(book);
  g_object_unref(registry);

  auto bridge = start();
  json found;
  // The birthday calendar follows the address book on its own time.
  for (int attempt = 0; attempt < 50 && found.is_null(); ++attempt) {
    for (const json& e : events(*bridge, "2026-03-14T00:00:00Z", "2026-03-15T00:00:00Z")) {
      if (e["calendarId"] == "eds:birthdays") found = e;
    }
    if (found.is_null()) std::this_thread::sleep_for(200ms);
  }
  ASSERT_FALSE(found.is_null());
  // The server's own title ("Birthday: Park, Cleo"), as every client of it shows it.
  EXPECT_NE(std::string::npos, found["title"].get<std::string>().find("Cleo")) << found.dump();
  EXPECT_EQ(true, found["allDay"]);
  EXPECT_EQ("2026-03-14T00:00:00Z", found["start"]);
  EXPECT_EQ(-1, found.value("availability", -1));
  EXPECT_EQ(3, found["repeats"]["frequency"]);
}

TEST_F(EdsTest, RenamedCalendarsAndRestartedBackendsAreFollowed) {
  auto bridge = start();
  EXPECT_EQ(6u, titles(events(*bridge, "2024-03-04T00:00:00Z", "2024-03-09T00:00:00Z"),
                       "eds:personal").size());
  ESourceRegistry* registry = e_source_registry_new_sync(nullptr, nullptr);
  ESource* source = e_source_registry_ref_source(registry, "personal");
  ASSERT_TRUE(source);
  e_source_set_display_name(source, "Private");
  ASSERT_TRUE(e_source_write_sync(source, nullptr, nullptr));
  auto line = bridge->nextLine(5s);
  ASSERT_TRUE(line);
  EXPECT_EQ(json::parse(R"({"event":"changed"})"), json::parse(*line));
  // Other source changes may come first; the rename follows at once.
  bool renamed = false;
  json calendars;
  for (int attempt = 0; attempt < 50 && !renamed; ++attempt) {
    calendars = ask(*bridge, R"({"cmd":"calendars","id":2})")["calendars"];
    for (const json& c : calendars) {
      if (c["id"] == "eds:personal") renamed = c["title"] == "Private";
    }
    if (!renamed) std::this_thread::sleep_for(200ms);
  }
  EXPECT_TRUE(renamed) << calendars.dump();
  g_object_unref(source);
  g_object_unref(registry);

  // The calendar service ends (a crash, an update): the bridge connects again.
  // The brackets keep pkill from matching the shell that runs it.
  ASSERT_EQ(0, std::system("pkill -f 'evolution-calendar-[f]actory'"));
  std::vector<std::string> seen;
  for (int attempt = 0; attempt < 50 && seen.size() != 6; ++attempt) {
    seen = titles(events(*bridge, "2024-03-04T00:00:00Z", "2024-03-09T00:00:00Z"), "eds:personal");
    if (seen.size() != 6) std::this_thread::sleep_for(200ms);
  }
  EXPECT_EQ(6u, seen.size());
}

TEST_F(EdsTest, StoreHandlesComeAndGoCleanly) {
  const InstantFormatter iso{kInternetDateTime};
  const std::string access = std::string(std::getenv("XDG_CONFIG_HOME")) + "/zuna/calendar-access";
  for (int round = 0; round < 3; ++round) {
    auto store = makeEdsStore(systemEnv, access);
    ASSERT_TRUE(store);
    auto subscription = store->observeChanges([] {});
    auto reopened = store->reopen();
    EXPECT_EQ(kFullAccess, reopened->authorizationStatus());
    EXPECT_LE(5u, reopened->calendars().size());
    EXPECT_LE(5u, store->events(*iso.read("2024-03-04T00:00:00Z"), *iso.read("2024-03-09T00:00:00Z"))
                      .size());
    store.reset();  // the subscription and the other handle keep the connection
    EXPECT_LE(5u, reopened->calendars().size());
  }
  // Without a session bus there is no store at all.
  EXPECT_FALSE(makeEdsStore([](const char*) -> const char* { return nullptr; }, access));
}

}  // namespace
