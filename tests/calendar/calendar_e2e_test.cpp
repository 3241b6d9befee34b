// The built zuna-calendar, with a temporary HOME, a real vdir store and a
// fake dialog program first on the PATH.
#include <signal.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "bridge_process.h"
#include "temp_folder.h"

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

namespace {

// A zenity that records its arguments, then answers with the exit code
// written into the file "answer" once that appears. The record appears whole
// (renamed into place): a test that sees it may read it at once.
const char* kFakeZenity =
    "#!/bin/sh\n"
    "dir=$(dirname \"$0\")\n"
    "printf '%s\\n' \"$@\" > \"$dir/asking\"\n"
    "mv \"$dir/asking\" \"$dir/asked\"\n"
    "while [ ! -f \"$dir/answer\" ]; do sleep 0.02; done\n"
    "exit $(cat \"$dir/answer\")\n";

class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(home_.path() / "data");
    fs::copy(std::string(FIXTURES) + "/vdir", home_ / "data/calendars",
             fs::copy_options::recursive);
    home_.write("bin/zenity", kFakeZenity);
    fs::permissions(home_ / "bin/zenity", fs::perms::owner_all);
  }

  std::vector<std::string> environment(bool display = true) {
    std::vector<std::string> env = {"HOME=" + home_.path().string(),
                                    "XDG_CONFIG_HOME=" + home_ / "config",
                                    "XDG_DATA_HOME=" + home_ / "data",
                                    "PATH=" + home_ / "bin" + ":/usr/bin:/bin", "TZ=" + tz_};
    if (display) env.push_back("DISPLAY=:99");
    // Sanitized builds: keep the test run's settings; the relaunch tests
    // preload a library ahead of the sanitizer's runtime.
    const char* asan = std::getenv("ASAN_OPTIONS");
    env.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0");
    for (const char* name : {"UBSAN_OPTIONS", "TSAN_OPTIONS"}) {
      if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    }
    return env;
  }

  std::unique_ptr<BridgeProcess> start(bool display = true) {
    return std::make_unique<BridgeProcess>(std::vector<std::string>{ZUNA_CALENDAR},
                                           environment(display));
  }

  void grant() { home_.write("config/zuna/calendar-access", "granted\n"); }

  // The next line as JSON; a null value when none came.
  static json next(BridgeProcess& bridge, std::chrono::milliseconds timeout = 5s) {
    auto line = bridge.nextLine(timeout);
    return line ? json::parse(*line) : json();
  }

  TempFolder home_{"zuna-home"};
  std::string tz_ = "UTC";  // the bridge's local zone
};

TEST_F(BridgeTest, RequestShowsTheDialogAndOtherCommandsAreAnsweredMeanwhile) {
  auto bridge = start();
  bridge->sendLine(R"({"cmd":"status","id":1})");
  EXPECT_EQ(json::parse(R"({"id":1,"status":"notDetermined"})"), next(*bridge));
  bridge->sendLine(R"({"cmd":"request","id":"r"})");
  bridge->sendLine(R"({"cmd":"status","id":2})");
  bridge->sendLine(R"({"cmd":"calendars","id":3})");
  EXPECT_EQ(json::parse(R"({"id":2,"status":"notDetermined"})"), next(*bridge));
  EXPECT_EQ(json::parse(R"({"id":3,"error":"not_granted"})"), next(*bridge));
  for (int i = 0; i < 250 && !fs::exists(home_ / "bin/asked"); ++i) std::this_thread::sleep_for(20ms);
  std::ifstream asked(home_ / "bin/asked");
  std::string arguments((std::istreambuf_iterator<char>(asked)), {});
  EXPECT_NE(std::string::npos, arguments.find("--title=Zuna Calendar\n")) << arguments;
  EXPECT_NE(std::string::npos,
            arguments.find("--text=Zuna shows the events on your calendars next to your tasks "
                           "in its Schedule. It only reads them.\n"))
      << arguments;
  home_.write("bin/answer", "0");
  EXPECT_EQ(json::parse(R"({"id":"r","status":"granted"})"), next(*bridge));
  bridge->sendLine(R"({"cmd":"status","id":4})");
  EXPECT_EQ(json::parse(R"({"id":4,"status":"granted"})"), next(*bridge));
  std::ifstream record(home_ / "config/zuna/calendar-access");
  std::string word;
  record >> word;
  EXPECT_EQ("granted", word);
  EXPECT_EQ("", bridge->errors());
}

TEST_F(BridgeTest, RefusalIsRecordedAndNoDisplayRecordsNothing) {
  home_.write("bin/answer", "1");
  auto bridge = start();
  bridge->sendLine(R"({"cmd":"request","id":1})");
  EXPECT_EQ(json::parse(R"({"id":1,"status":"denied"})"), next(*bridge));
  bridge->sendLine(R"({"cmd":"request","id":2})");  // decided: no second dialog
  EXPECT_EQ(json::parse(R"({"id":2,"status":"denied"})"), next(*bridge));

  fs::remove(home_ / "config/zuna/calendar-access");
  auto headless = start(false);
  headless->sendLine(R"({"cmd":"request","id":3})");
  EXPECT_EQ(json::parse(R"({"id":3,"status":"notDetermined"})"), next(*headless));
  EXPECT_FALSE(fs::exists(home_ / "config/zuna/calendar-access"));
}

TEST_F(BridgeTest, ListingsFromTheStore) {
  grant();
  auto bridge = start();
  bridge->sendLine(R"({"cmd":"calendars","id":1})");
  json calendars = next(*bridge)["calendars"];
  ASSERT_EQ(3u, calendars.size()) << calendars.dump();
  EXPECT_EQ(json::parse(R"({"id":"personal","title":"Personal","sourceId":"","sourceTitle":"",
      "subscribed":false,"color":"#3A86FF"})"), calendars[0]);
  EXPECT_EQ("work/team", calendars[2]["id"]);
  EXPECT_EQ("Work (CalDAV)", calendars[2]["sourceTitle"]);
  EXPECT_EQ("#FF8000", calendars[2]["color"]);

  bridge->sendLine(
      R"({"cmd":"events","id":2,"start":"2024-03-04T00:00:00Z","end":"2024-03-09T00:00:00Z"})");
  json events = next(*bridge)["events"];
  std::vector<std::string> seen;
  for (const json& e : events) seen.push_back(e["start"].get<std::string>() + " " + e["title"].get<std::string>());
  EXPECT_EQ(std::vector<std::string>({"2024-03-04T08:00:00Z Standup", "2024-03-05T15:00:00Z Dentist",
                                      "2024-03-07T00:00:00Z Spring holiday",
                                      "2024-03-08T10:00:00Z Standup (late)"}),
            seen);
  ASSERT_EQ(4u, events.size());
  const json& standup = events[0];
  EXPECT_EQ("standup@zuna.test", standup["uid"]);
  EXPECT_EQ(json::parse(R"({"frequency":1,"interval":1,"count":12})"), standup["repeats"]);
  EXPECT_EQ(json::parse("[10]"), standup["alarms"]);
  EXPECT_EQ("Europe/Berlin", standup["timeZone"]);
  ASSERT_EQ(2u, standup["attendees"].size());
  EXPECT_TRUE(standup["attendees"][0]["organizer"]);
  EXPECT_EQ("sam@zuna.test", standup["attendees"][1]["email"]);
  EXPECT_EQ(true, events[2]["allDay"]);
  EXPECT_EQ("2024-03-08T00:00:00Z", events[2]["end"]);
  EXPECT_EQ(1, events[2]["availability"]);
  EXPECT_EQ("https://dentist.example/booking?id=7", events[1]["url"]);

  bridge->sendLine(R"({"cmd":"events","id":3,"start":"2024-03-05T00:00:00Z"})");
  EXPECT_EQ(json::parse(R"({"id":3,"error":"bad_range"})"), next(*bridge));
}

TEST_F(BridgeTest, CalendarsNamedBySyncToolsAndBirthdaysFromContacts) {
  grant();
  home_.write("people/ann.vcf", "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:ann\r\nFN:Ann Lee\r\n"
                                "BDAY:1990-03-06\r\nEND:VCARD\r\n");
  home_.write("feeds/moon/displayname", "Moon phases");
  home_.write("feeds/moon/full.ics",
              "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:full\r\nSUMMARY:Full moon\r\n"
              "DTSTART:20240305T120000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  home_.write("config/khal/config",
              "[calendars]\n[[Birthdays]]\npath = ~/people\ntype = birthdays\ncolor = dark red\n"
              "[[feeds]]\npath = ~/feeds/*\ntype = discover\n");
  home_.write("config/vdirsyncer/config",
              "[pair moon]\na = \"here\"\nb = \"there\"\ncollections = null\n"
              "[storage here]\ntype = \"filesystem\"\npath = \"~/feeds/moon\"\nfileext = \".ics\"\n"
              "[storage there]\ntype = \"http\"\nurl = \"https://example.org/moon.ics\"\n");
  auto bridge = start();
  bridge->sendLine(R"({"cmd":"calendars","id":1})");
  json calendars = next(*bridge)["calendars"];
  ASSERT_EQ(5u, calendars.size()) << calendars.dump();
  EXPECT_EQ(json::parse(R"({"id":")" + home_ / "people" + R"(","title":"Birthdays","sourceId":"",
      "sourceTitle":"","subscribed":true,"color":"#CD0000"})"), calendars[4]);
  EXPECT_EQ(json::parse(R"({"id":")" + home_ / "feeds/moon" + R"(","title":"Moon phases",
      "sourceId":"moon","sourceTitle":"moon","subscribed":true})"), calendars[3]);

  bridge->sendLine(
      R"({"cmd":"events","id":2,"start":"2024-03-05T00:00:00Z","end":"2024-03-07T00:00:00Z"})");
  json events = next(*bridge)["events"];
  std::vector<std::string> seen;
  for (const json& e : events) seen.push_back(e["title"].get<std::string>());
  EXPECT_EQ(std::vector<std::string>({"Full moon", "Dentist", "Ann Lee"}), seen) << events.dump();
  const json& birthday = events[2];
  EXPECT_EQ("2024-03-06T00:00:00Z", birthday["start"]);
  EXPECT_EQ(true, birthday["allDay"]);
  EXPECT_EQ(home_ / "people", birthday["calendarId"]);

  // A contact added to the folder is one change line and one more birthday.
  home_.write("people/bob.vcf", "BEGIN:VCARD\r\nFN:Bob\r\nBDAY:--0305\r\nEND:VCARD\r\n");
  EXPECT_EQ(json::parse(R"({"event":"changed"})"), next(*bridge, 3s));
  bridge->sendLine(
      R"({"cmd":"events","id":3,"start":"2024-03-05T00:00:00Z","end":"2024-03-06T00:00:00Z"})");
  EXPECT_EQ(3u, next(*bridge)["events"].size());
}

TEST_F(BridgeTest, ExportsOfCommonServicesAndRfcExamples) {
  grant();
  fs::copy(std::string(FIXTURES) + "/exports", home_ / "data/calendars",
           fs::copy_options::recursive);
  auto bridge = start();
  auto list = [&](const char* from, const char* to) {
    bridge->sendLine(std::string(R"({"cmd":"events","id":1,"start":")") + from +
                     R"(","end":")" + to + R"("})");
    return next(*bridge)["events"];
  };
  auto starts = [](const json& events, const std::string& uid) {
    std::vector<std::string> found;
    for (const json& e : events) {
      if (e["uid"] == uid) found.push_back(e["start"]);
    }
    return found;
  };
  // RFC 5545: every other week on Monday, Wednesday and Friday until 24
  // December 1997, 09:00 in New York: 25 occurrences, 13:00Z in summer time
  // and 14:00Z from 27 October.
  json autumn = list("1997-09-01T00:00:00Z", "1998-01-01T00:00:00Z");
  auto biweekly = starts(autumn, "19970901T130000Z-123404@example.com");
  ASSERT_EQ(25u, biweekly.size());
  EXPECT_EQ("1997-09-01T13:00:00Z", biweekly[0]);
  EXPECT_EQ("1997-10-17T13:00:00Z", biweekly[11]);
  EXPECT_EQ("1997-10-27T14:00:00Z", biweekly[12]);
  EXPECT_EQ("1997-12-22T14:00:00Z", biweekly[24]);
  EXPECT_EQ(std::vector<std::string>({"1997-09-05T13:00:00Z", "1997-10-03T13:00:00Z",
                                      "1997-11-07T14:00:00Z", "1997-12-05T14:00:00Z"}),
            starts(autumn, "19970905T130000Z-123405@example.com"));

  // A Google export: weekly across the change to summer time, one week
  // excluded, one moved; the calendar is named after its owner.
  json spring = list("2024-03-18T00:00:00Z", "2024-04-20T00:00:00Z");
  const std::string google = "4kq8s7t3v2m1n0p9r8q7s6t5u4@google.com";
  EXPECT_EQ(std::vector<std::string>({"2024-03-19T15:00:00Z", "2024-03-26T15:00:00Z",
                                      "2024-04-10T07:00:00Z", "2024-04-16T14:00:00Z"}),
            starts(spring, google));
  for (const json& e : spring) {
    if (e["uid"] != google || e["title"] != "Weekly sync") continue;
    EXPECT_FALSE(e.contains("location"));
    EXPECT_EQ(json::parse("[10]"), e["alarms"]);
    ASSERT_EQ(2u, e["attendees"].size());
    EXPECT_TRUE(e["attendees"][0]["organizer"]);
    EXPECT_FALSE(e["attendees"][0]["me"]);
    EXPECT_TRUE(e["attendees"][1]["me"]);
    EXPECT_EQ(1, e["attendees"][1]["status"]);
  }

  // An Outlook export with a Windows zone name and a busy status.
  bool sawOutlook = false;
  for (const json& e : spring) {
    if (e["title"] != "Quarterly review") continue;
    sawOutlook = true;
    EXPECT_EQ("2024-03-28T09:30:00Z", e["start"]);
    EXPECT_EQ("Europe/Berlin", e["timeZone"]);
    EXPECT_EQ(2, e["availability"]);
    EXPECT_EQ(json::parse("[15]"), e["alarms"]);
    EXPECT_EQ("Chen, Wei", e["attendees"][0]["name"]);
    // The organizer listed as an attendee without an answer has accepted and chairs.
    EXPECT_TRUE(e["attendees"][0]["organizer"]);
    EXPECT_EQ(2, e["attendees"][0]["status"]);
    EXPECT_EQ(3, e["attendees"][0]["role"]);
    EXPECT_EQ(3, e["attendees"][1]["kind"]);
    EXPECT_EQ(4, e["attendees"][1]["role"]);
  }
  EXPECT_TRUE(sawOutlook);
}

TEST_F(BridgeTest, WrittenFilesGiveOneChangeLinePerBurst) {
  grant();
  auto bridge = start();
  bridge->sendLine(R"({"cmd":"status","id":1})");
  next(*bridge);  // the watch is in place once the first answer came
  std::ifstream source(home_ / "data/calendars/personal/dentist.ics");
  std::string item((std::istreambuf_iterator<char>(source)), {});
  home_.write("data/calendars/personal/new.ics", item);
  EXPECT_EQ(json::parse(R"({"event":"changed"})"), next(*bridge, 3s));
  EXPECT_FALSE(bridge->nextLine(600ms));
  for (int i = 0; i < 300; ++i) {
    home_.write("data/calendars/work/team/sync-" + std::to_string(i) + ".ics", item);
  }
  int changes = 0;
  while (auto line = bridge->nextLine(800ms)) {
    EXPECT_EQ("{\"event\":\"changed\"}", *line);
    ++changes;
  }
  EXPECT_GE(changes, 1);
  EXPECT_LE(changes, 3);
}

TEST_F(BridgeTest, EndOfInputDrainsWrittenAnswersAndExitsWithZero) {
  auto bridge = start();
  bridge->sendRaw("{\"cmd\":\"status\",\"id\":1}\r\n\n{\"cmd\":\"status\",\"id\":2}\n");
  EXPECT_EQ(json::parse(R"({"id":1,"status":"notDetermined"})"), next(*bridge));
  EXPECT_EQ(json::parse(R"({"id":2,"status":"notDetermined"})"), next(*bridge));
  for (int i = 0; i < 2000; ++i) bridge->sendLine(R"({"cmd":"status","id":)" + std::to_string(i) + "}");
  bridge->closeStdin();
  // Read while it drains: a full pipe would hold the drain up.
  std::vector<std::string> lines = bridge->remainingLines(10s);
  EXPECT_EQ(0, bridge->waitExit(10s).value_or(-1));
  // Answers not yet queued for output may be lost; those written are whole and in order.
  int expected = 0;
  for (const std::string& line : lines) {
    json answer = json::parse(line);
    EXPECT_EQ(expected++, answer["id"]);
  }
  EXPECT_EQ("", bridge->errors());
}

TEST_F(BridgeTest, LibraryLogsStayOffStderr) {
  // GLib prints its debug messages when asked to (on stdout, in the way of
  // the answers), and warnings always; an unreachable session bus makes the
  // libraries talk.
  std::vector<std::string> env = environment();
  env.push_back("G_MESSAGES_DEBUG=all");
  env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + home_ / "no-bus");
  BridgeProcess bridge({ZUNA_CALENDAR}, env);
  grant();
  bridge.sendLine(R"({"cmd":"calendars","id":1})");
  auto line = bridge.nextLine();
  ASSERT_TRUE(line);
  ASSERT_TRUE(json::accept(*line)) << *line;
  EXPECT_EQ(3u, json::parse(*line)["calendars"].size());
  bridge.closeStdin();
  EXPECT_EQ(0, bridge.waitExit(5s).value_or(-1));
  EXPECT_EQ("", bridge.errors());
}

TEST_F(BridgeTest, ClosedStdoutEndsTheBridgeQuietly) {
  auto bridge = start();
  bridge->closeStdout();
  for (int i = 0; i < 50; ++i) bridge->sendLine(R"({"cmd":"status"})");
  EXPECT_EQ(0, bridge->waitExit(5s).value_or(-1));
  EXPECT_EQ("", bridge->errors());
}

TEST_F(BridgeTest, HostileInputNeverStopsTheBridge) {
  auto bridge = start();
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  const std::string huge = R"({"cmd":"status","id":"big","pad":")" + std::string(50 << 20, 'x') + "\"}";
  std::thread writer([&] {
    bridge->sendLine(R"({"cmd":"status","id":"deep","x":)" + deep + "}");
    bridge->sendLine(deep);
    bridge->sendRaw(std::string("\x00\xff\xfe{\"cmd\x00\n", 10));
    bridge->sendLine("\xff\xff\xff garbage \x01\x02");
    bridge->sendLine(huge);
    bridge->sendLine(R"({"cmd":"status","id":"\u00e9\/x","s":"caf)" "\xff" R"("})");
    for (int i = 0; i < 100000; ++i) {
      bridge->sendLine(R"({"cmd":"status","id":)" + std::to_string(i) + "}");
    }
  });
  EXPECT_EQ(json::parse(R"({"id":"big","status":"notDetermined"})"), next(*bridge, 60s));
  EXPECT_EQ("é/x", next(*bridge)["id"]);
  for (int i = 0; i < 100000; ++i) {
    json answer = next(*bridge, 30s);
    ASSERT_EQ(i, answer["id"]) << answer.dump();
  }
  writer.join();
  bridge->closeStdin();
  EXPECT_EQ(0, bridge->waitExit(10s).value_or(-1));
}

TEST_F(BridgeTest, InputEndingMidLineStillEndsCleanly) {
  auto bridge = start();
  bridge->sendRaw(R"({"cmd":"status","id":1})" "\n" R"({"cmd":"status","id":2})");
  bridge->closeStdin();
  std::vector<std::string> lines = bridge->remainingLines(5s);
  EXPECT_EQ(0, bridge->waitExit(5s).value_or(-1));
  // Answers may be cut off by the end of input, never torn.
  for (const std::string& line : lines) EXPECT_TRUE(json::accept(line)) << line;
  EXPECT_LE(lines.size(), 2u);
}

TEST_F(BridgeTest, InputEndingWhileALongAnswerFollowsNeverCutsALine) {
  grant();
  const std::string notes(60000, 'n');
  for (int i = 0; i < 20; ++i) {
    home_.write("data/calendars/long/" + std::to_string(i) + ".ics",
                "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:long" + std::to_string(i) +
                    "\r\nDTSTART:20240305T120000Z\r\nDESCRIPTION:" + notes +
                    "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
  }
  const std::string query =
      R"(,"start":"2024-03-05T00:00:00Z","end":"2024-03-06T00:00:00Z"})";
  auto bridge = start();
  // The first answer, far longer than the pipe holds, waits for a reader;
  // the second is sent after the end of input, while the first is written.
  bridge->sendLine(R"({"cmd":"events","id":1)" + query);
  // Long enough for the answer to be built under a sanitizer on a busy machine.
  std::this_thread::sleep_for(2s);
  bridge->sendLine(R"({"cmd":"events","id":2)" + query);
  bridge->closeStdin();
  std::this_thread::sleep_for(500ms);
  std::vector<std::string> lines = bridge->remainingLines(10s);
  EXPECT_EQ(0, bridge->waitExit(5s).value_or(-1));
  ASSERT_FALSE(lines.empty());
  for (const std::string& line : lines) {
    EXPECT_TRUE(json::accept(line)) << line.size() << " bytes: " << line.substr(0, 80);
  }
  EXPECT_EQ(0u, bridge->unterminated().size()) << bridge->unterminated().substr(0, 80);
  EXPECT_EQ(21u, json::parse(lines[0])["events"].size());
}

TEST_F(BridgeTest, FilesChangingUnderQueriesAndARootThatAppearsLater) {
  grant();
  fs::remove_all(home_ / "data/calendars");
  auto bridge = start();
  bridge->sendLine(R"({"cmd":"calendars","id":0})");
  EXPECT_EQ(json::parse(R"({"id":0,"calendars":[]})"), next(*bridge));
  fs::copy(std::string(FIXTURES) + "/vdir", home_ / "data/calendars", fs::copy_options::recursive);
  EXPECT_EQ(json::parse(R"({"event":"changed"})"), next(*bridge, 3s));
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    std::ifstream source(home_ / "data/calendars/personal/dentist.ics");
    const std::string item((std::istreambuf_iterator<char>(source)), {});
    for (int i = 0; !stop; ++i) {
      const std::string path = "data/calendars/personal/churn" + std::to_string(i % 20) + ".ics";
      home_.write(path, i % 3 == 0 ? item.substr(0, item.size() / 2) : item);  // some truncated
      if (i % 5 == 0) fs::remove(home_ / path);
    }
  });
  int answered = 0;
  for (int i = 1; i <= 200; ++i) {
    bridge->sendLine(R"({"cmd":"events","id":)" + std::to_string(i) +
                     R"(,"start":"2024-03-01T00:00:00Z","end":"2024-04-01T00:00:00Z"})");
  }
  while (answered < 200) {
    auto line = bridge->nextLine(10s);
    ASSERT_TRUE(line) << "no answer after " << answered;
    json value = json::parse(*line);
    if (value.contains("events")) ++answered;
  }
  stop = true;
  churn.join();
  EXPECT_EQ("", bridge->errors());
}

TEST_F(BridgeTest, ACalendarOfTenThousandItems) {
  grant();
  std::ifstream source(home_ / "data/calendars/personal/dentist.ics");
  std::string item((std::istreambuf_iterator<char>(source)), {});
  for (int i = 0; i < 10000; ++i) {
    std::string text = item;
    text.replace(text.find("dentist@zuna.test"), 17, "bulk" + std::to_string(i));
    home_.write("data/calendars/bulk/" + std::to_string(i) + ".ics", text);
  }
  auto bridge = start();
  bridge->sendLine(
      R"({"cmd":"events","id":1,"start":"2024-03-05T00:00:00Z","end":"2024-03-06T00:00:00Z"})");
  json answer = next(*bridge, 60s);
  EXPECT_EQ(10001u, answer["events"].size());  // the bulk and the fixture's own dentist
}

// ---- Items as Apple, Outlook, Google and sync tools write them.

class ClientItemsTest : public BridgeTest {
 protected:
  void SetUp() override {
    BridgeTest::SetUp();
    fs::remove_all(home_ / "data/calendars");
    fs::copy(std::string(FIXTURES) + "/calendar-clients", home_ / "data/calendars",
             fs::copy_options::recursive);
    grant();
  }

  json events(const std::string& from, const std::string& to) {
    auto bridge = start();
    bridge->sendLine(R"({"cmd":"events","id":1,"start":")" + from + R"(","end":")" + to + R"("})");
    json answer = next(*bridge);
    EXPECT_EQ("", bridge->errors());
    return answer["events"];
  }

  // The occurrences titled `title`.
  static std::vector<json> titled(const json& events, const std::string& title) {
    std::vector<json> found;
    for (const json& e : events) {
      if (e["title"] == title) found.push_back(e);
    }
    return found;
  }

  static std::vector<std::string> startsOf(const std::vector<json>& occurrences) {
    std::vector<std::string> starts;
    for (const json& e : occurrences) starts.push_back(e["start"]);
    return starts;
  }
};

using Starts = std::vector<std::string>;

TEST_F(ClientItemsTest, ApplesNoAlarmPlaceholderAndARuleItsStartDoesNotMatch) {
  json list = events("2024-03-01T00:00:00Z", "2024-05-01T00:00:00Z");
  auto birthday = titled(list, "Mum's birthday");
  ASSERT_EQ(1u, birthday.size()) << list.dump();
  EXPECT_FALSE(birthday[0].contains("alarms")) << birthday[0].dump();
  auto dinner = titled(list, "Dinner with Jo");
  ASSERT_EQ(1u, dinner.size());
  EXPECT_EQ(json::parse("[30]"), dinner[0]["alarms"]);
  // Thursday's start counts as the first of three: then two Mondays.
  auto piano = titled(list, "Piano lesson");
  EXPECT_EQ(Starts({"2024-03-07T16:00:00Z", "2024-03-11T16:00:00Z", "2024-03-18T16:00:00Z"}),
            startsOf(piano));
  ASSERT_FALSE(piano.empty());
  EXPECT_EQ(3, piano[0]["repeats"]["count"]);
}

TEST_F(ClientItemsTest, FloatingDatesOfAZonedSeriesAndOutlookAllDayAwayFromTheirZone) {
  tz_ = "America/New_York";
  json list = events("2024-03-01T00:00:00Z", "2024-04-01T00:00:00Z");
  // 09:00 in Berlin is 08:00Z before the end of March; New York's 09:00 would be 14:00Z or 13:00Z.
  EXPECT_EQ(Starts({"2024-03-04T08:00:00Z", "2024-03-05T08:00:00Z", "2024-03-07T08:00:00Z",
                    "2024-03-08T08:00:00Z", "2024-03-10T08:00:00Z"}),
            startsOf(titled(list, "Morning run")));
  // Outlook's two days at Berlin midnights are the same two days here.
  auto fair = titled(list, "Messe Hannover");
  ASSERT_EQ(1u, fair.size()) << list.dump();
  EXPECT_EQ(true, fair[0]["allDay"]);
  EXPECT_EQ("2024-03-11T04:00:00Z", fair[0]["start"]);
  EXPECT_EQ("2024-03-13T04:00:00Z", fair[0]["end"]);
  EXPECT_FALSE(fair[0].contains("timeZone"));
  EXPECT_EQ(1, fair[0]["availability"]);
}

TEST_F(ClientItemsTest, OutlookNamesZonesBusyStatusAndOrganizers) {
  json list = events("2024-03-01T00:00:00Z", "2024-05-01T00:00:00Z");
  // Names in any case: the busy status and an alarm related to the end.
  auto focus = titled(list, "Focus time");
  ASSERT_EQ(1u, focus.size()) << list.dump();
  EXPECT_EQ(1, focus[0]["availability"]);
  EXPECT_EQ(json::parse("[-55]"), focus[0]["alarms"]);
  EXPECT_EQ("2024-03-05T13:00:00Z", focus[0]["start"]);

  // A made-up zone name gives way to a system zone with the same rules.
  auto call = titled(list, "Supplier call");
  ASSERT_EQ(1u, call.size());
  EXPECT_EQ("2024-04-05T08:00:00Z", call[0]["start"]);
  EXPECT_EQ("Europe/Berlin", call[0]["timeZone"]);

  // TRANSP is what a client that knows no busy status changed last.
  EXPECT_EQ(1, titled(list, "Lunch (made free elsewhere)").at(0)["availability"]);
  EXPECT_EQ(0, titled(list, "Lunch (made busy elsewhere)").at(0)["availability"]);
  EXPECT_EQ(3, titled(list, "Away").at(0)["availability"]);

  // The organizer put before the attendees has accepted and chairs, unless
  // the item says otherwise; the attendees keep the iCalendar defaults.
  auto budget = titled(list, "Budget round");
  ASSERT_EQ(1u, budget.size());
  ASSERT_EQ(3u, budget[0]["attendees"].size());
  EXPECT_EQ(json::parse(R"({"status":2,"role":3,"kind":1,"organizer":true,"me":false,
      "name":"Chen, Wei","email":"wei.chen@example.net"})"), budget[0]["attendees"][0]);
  EXPECT_EQ(1, budget[0]["attendees"][1]["status"]);
  EXPECT_EQ(1, budget[0]["attendees"][1]["role"]);
  EXPECT_EQ(2, budget[0]["attendees"][2]["status"]);
  EXPECT_EQ(2, budget[0]["attendees"][2]["role"]);
  auto followUp = titled(list, "Budget follow-up");
  ASSERT_EQ(1u, followUp.size());
  EXPECT_EQ(4, followUp[0]["attendees"][0]["status"]);
  EXPECT_EQ(2, followUp[0]["attendees"][0]["role"]);
  EXPECT_TRUE(followUp[0]["attendees"][0]["organizer"]);
}

TEST_F(ClientItemsTest, AMadeUpZoneIsTheBridgesOwnWhereItsRulesAgree) {
  tz_ = "Europe/Paris";
  auto call = titled(events("2024-04-01T00:00:00Z", "2024-05-01T00:00:00Z"), "Supplier call");
  ASSERT_EQ(1u, call.size());
  EXPECT_EQ("Europe/Paris", call[0]["timeZone"]);
  EXPECT_EQ("2024-04-05T08:00:00Z", call[0]["start"]);
}

TEST_F(ClientItemsTest, TaskListsStreamsOfCalendarsAndItemsWithoutUid) {
  fs::create_directories(home_ / "data/calendars/nextcloud/new");
  auto bridge = start();
  bridge->sendLine(R"({"cmd":"calendars","id":1})");
  std::vector<std::string> ids;
  json calendars = next(*bridge);
  for (const json& c : calendars["calendars"]) ids.push_back(c["id"]);
  EXPECT_EQ(std::vector<std::string>({"apple", "google", "nextcloud/new", "nextcloud/personal",
                                      "outlook", "sync"}),
            ids) << calendars.dump();

  // A file name that is no UTF-8, holding an event without UID.
  home_.write("data/calendars/sync/caf\xe9.ics",
              "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nSUMMARY:Latin-1 named\r\n"
              "DTSTART:20240305T120000Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");

  json list = events("2024-03-04T00:00:00Z", "2024-03-07T00:00:00Z");
  auto first = titled(list, "From the first calendar");
  ASSERT_EQ(1u, first.size()) << list.dump();
  EXPECT_EQ("2024-03-04T09:00:00Z", first[0]["start"]);
  auto second = titled(list, "From the second calendar");
  ASSERT_EQ(1u, second.size());
  EXPECT_EQ("2024-03-05T01:00:00Z", second[0]["start"]);
  EXPECT_EQ("Asia/Tokyo", second[0]["timeZone"]);

  std::vector<std::string> uids;
  for (const char* title : {"Without UID one", "Without UID two", "Without UID three"}) {
    auto found = titled(list, title);
    ASSERT_EQ(1u, found.size()) << title << " in " << list.dump();
    uids.push_back(found[0]["uid"]);
  }
  EXPECT_EQ(std::vector<std::string>({"sync/no-uid.ics", "sync/no-uid.ics#2", "sync/no-uid.ics#3"}),
            uids);
  auto latin = titled(list, "Latin-1 named");
  ASSERT_EQ(1u, latin.size());
  EXPECT_EQ("sync/caf%E9.ics", latin[0]["uid"]);
  // The same uids on the next run.
  json again = events("2024-03-04T00:00:00Z", "2024-03-07T00:00:00Z");
  EXPECT_EQ("sync/no-uid.ics#2", titled(again, "Without UID two").at(0)["uid"]);
  EXPECT_EQ(list.size(), again.size());
}

// ---- The relaunch, with a preloaded stand-in for the disclaim function.

// The child of `parent`, looked for during `attempts` times 20 ms; -1 when none.
pid_t childOf(pid_t parent, int attempts = 250) {
  for (int attempt = 0; attempt < attempts; ++attempt) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
      std::ifstream stat(entry.path() / "stat");
      std::string pid, name, state;
      pid_t ppid = 0;
      if (!(stat >> pid)) continue;
      // The name may hold spaces; it ends at the last ')'.
      std::string rest((std::istreambuf_iterator<char>(stat)), {});
      size_t close = rest.rfind(')');
      if (close == std::string::npos) continue;
      std::istringstream fields(rest.substr(close + 1));
      fields >> state >> ppid;
      if (ppid == parent) return std::stoi(pid);
    }
    std::this_thread::sleep_for(20ms);
  }
  return -1;
}

bool alive(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(stat)), {});
  size_t close = all.rfind(')');
  return close != std::string::npos && all.size() > close + 2 && all[close + 2] != 'Z';
}

class RelaunchTest : public BridgeTest {
 protected:
  std::unique_ptr<BridgeProcess> launch(std::vector<std::string> extraEnv,
                                        std::vector<std::string> extraArgs = {}) {
    std::vector<std::string> env = environment();
    env.push_back(std::string("LD_PRELOAD=") + DISCLAIM_SHIM);
    env.push_back("ZUNA_TEST_ARGV_FILE=" + home_ / "argv");
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<std::string> argv = {ZUNA_CALENDAR};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    return std::make_unique<BridgeProcess>(argv, env);
  }
};

TEST_F(RelaunchTest, TheCopyGetsOnlyThePathAndTheMarkerAndServes) {
  auto launcher = launch({}, {"--extra", "x"});
  launcher->sendLine(R"({"cmd":"status","id":1})");
  EXPECT_EQ(json::parse(R"({"id":1,"status":"notDetermined"})"), next(*launcher));
  std::ifstream argvFile(home_ / "argv");
  std::string argv((std::istreambuf_iterator<char>(argvFile)), {});
  EXPECT_EQ(fs::canonical(ZUNA_CALENDAR).string() + "\n--disclaimed\n", argv);
  pid_t copy = childOf(launcher->pid());
  EXPECT_GT(copy, 0);
  launcher->closeStdin();
  EXPECT_EQ(0, launcher->waitExit(5s).value_or(-1));
}

TEST_F(RelaunchTest, TheLauncherExitsWithTheCopysCode) {
  auto three = launch({"ZUNA_TEST_COPY_EXIT=3"});
  EXPECT_EQ(3, three->waitExit(5s).value_or(-1));

  auto killed = launch({});
  pid_t copy = childOf(killed->pid());
  ASSERT_GT(copy, 0);
  kill(copy, SIGKILL);
  EXPECT_EQ(0, killed->waitExit(5s).value_or(-1));
}

TEST_F(RelaunchTest, SigtermReachesTheCopyAndTheLauncherExitsAtOnce) {
  auto launcher = launch({});
  pid_t copy = childOf(launcher->pid());
  ASSERT_GT(copy, 0);
  for (int i = 0; i < 2000; ++i) launcher->sendLine(R"({"cmd":"status","id":)" + std::to_string(i) + "}");
  kill(launcher->pid(), SIGTERM);
  EXPECT_EQ(0, launcher->waitExit(2s).value_or(-1));
  bool gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    gone = !alive(copy);
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(gone);
  // Whatever was written before the end is whole lines.
  for (const std::string& line : launcher->remainingLines(1s)) {
    EXPECT_TRUE(json::accept(line)) << line;
  }
}

TEST_F(RelaunchTest, NoThreadForTheDialogOrTheWatchStillAnswersQuietly) {
  const std::string limit = home_ / "no-more-threads";
  auto bridge = launch({"ZUNA_TEST_DISCLAIM_FAIL=1", "ZUNA_TEST_THREAD_LIMIT=" + limit});
  bridge->sendLine(R"({"cmd":"status","id":1})");
  EXPECT_EQ(json::parse(R"({"id":1,"status":"notDetermined"})"), next(*bridge));
  home_.write("no-more-threads", "");
  // The dialog cannot be shown: nothing is recorded, and the answer still comes.
  bridge->sendLine(R"({"cmd":"request","id":"r"})");
  EXPECT_EQ(json::parse(R"({"id":"r","status":"notDetermined"})"), next(*bridge));
  EXPECT_FALSE(fs::exists(home_ / "bin/asked"));
  grant();
  bridge->sendLine(
      R"({"cmd":"events","id":2,"start":"2024-03-04T00:00:00Z","end":"2024-03-09T00:00:00Z"})");
  EXPECT_EQ(4u, next(*bridge)["events"].size());
  bridge->closeStdin();
  EXPECT_EQ(0, bridge->waitExit(5s).value_or(-1));
  EXPECT_EQ("", bridge->errors());
}

TEST_F(RelaunchTest, WithoutARelaunchTheProcessServesItself) {
  for (auto [env, args] : {std::pair<std::vector<std::string>, std::vector<std::string>>{
                               {"ZUNA_TEST_DISCLAIM_FAIL=1"}, {}},
                           {{}, {"x", "--disclaimed"}}}) {
    auto bridge = launch(env, args);
    bridge->sendLine(R"({"cmd":"status","id":1})");
    EXPECT_EQ(json::parse(R"({"id":1,"status":"notDetermined"})"), next(*bridge));
    EXPECT_LT(childOf(bridge->pid(), 10), 0);
    bridge->closeStdin();
    EXPECT_EQ(0, bridge->waitExit(5s).value_or(-1));
  }
}

}  // namespace
