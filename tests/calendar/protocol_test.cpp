#include "protocol.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "fake_store.h"
#include "globals.h"

namespace {

using nlohmann::json;

// Runs the bridge's protocol in this process against a FakeStore, with stdout
// redirected to a file while the queues run.
class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    output = std::make_unique<SerialQueue>("zuna-calendar.output");
    work = std::make_unique<SerialQueue>("zuna-calendar.store");
    auto fake = std::make_unique<FakeStore>();
    state_ = fake->state();
    store = std::move(fake);
    iso = InstantFormatter{kInternetDateTime};
    isoFractional = InstantFormatter{kInternetDateTime | kFractionalSeconds};
    observeChanges();
  }

  void TearDown() override {
    work.reset();
    changeObserver.reset();
    output.reset();
    store.reset();
  }

  // Hands each line to `handle`, runs `during` (if any), waits for both
  // queues, and returns the lines written to stdout meanwhile.
  std::vector<std::string> exchange(const std::vector<std::string>& lines,
                                    const std::function<void()>& during = {}) {
    char path[] = "/tmp/zuna-protocol-XXXXXX";
    int file = mkstemp(path);
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    dup2(file, STDOUT_FILENO);
    for (const std::string& line : lines) handle(line);
    if (during) during();
    work->sync([] {});
    output->sync([] {});
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(file);
    std::ifstream in(path);
    unlink(path);
    std::vector<std::string> written;
    for (std::string line; std::getline(in, line);) written.push_back(line);
    return written;
  }

  json only(const std::vector<std::string>& written) {
    EXPECT_EQ(1u, written.size());
    return written.empty() ? json() : json::parse(written[0]);
  }

  std::shared_ptr<FakeStore::State> state_;
};

TEST(ParseRequest, LinesThatCannotBeUnderstoodAreDropped) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  for (const std::string& line : std::vector<std::string>{"", "   ", "{\"id\":1}", "{\"cmd\":5}", "[1,2]", "\"status\"", "{\"cmd\":\"status\"} x",
        "{\"cmd\":\"status\"}{}", "{\"cmd\":\"status\"", "not json", "{\"cmd\":null}",
        std::string("{\"cmd\":\"st\0tus\"}", 16), "{\"cmd\":\"status\",\"id\":" + deep + "}"}) {
    EXPECT_FALSE(parseRequest(line)) << line.substr(0, 40);
  }
  auto request = parseRequest("  {\"cmd\":\"events\",\"start\":\"a\",\"x\":[1]}\t");
  ASSERT_TRUE(request);
  EXPECT_EQ("events", request->cmd);
  EXPECT_TRUE(request->id.is_null());
  EXPECT_EQ("a", request->object["start"]);
}

TEST(StatusWord, EveryAuthorizationStatus) {
  EXPECT_EQ("notDetermined", statusWord(0));
  EXPECT_EQ("restricted", statusWord(1));
  EXPECT_EQ("denied", statusWord(2));
  EXPECT_EQ("granted", statusWord(3));
  EXPECT_EQ("writeOnly", statusWord(4));
  EXPECT_EQ("unknown", statusWord(5));
  EXPECT_EQ("unknown", statusWord(-1));
}

TEST_F(ProtocolTest, IdIsEchoedAsTheSameJsonValue) {
  state_->status = kDenied;
  for (std::string id : {"1", "-2.5", "\"abc/d\"", "{\"a\":[1,{\"b\":null}]}", "[1,\"x\"]",
                         "true", "null"}) {
    json answer = only(exchange({"{\"cmd\":\"status\",\"id\":" + id + "}"}));
    EXPECT_EQ(json::parse(id), answer["id"]) << id;
    EXPECT_EQ("denied", answer["status"]);
    EXPECT_EQ(2u, answer.size());
  }
  EXPECT_EQ("{\"id\":null,\"status\":\"denied\"}", exchange({"{\"cmd\":\"status\"}"})[0]);
}

TEST_F(ProtocolTest, UnknownAndDroppedLines) {
  auto written = exchange({"", "{\"id\":1}", "{\"cmd\":5}", "[1,2]", "\"s\"",
                           "{\"cmd\":\"status\"} trailing", "{\"cmd\":\"Status\",\"id\":7}"});
  ASSERT_EQ(1u, written.size());
  EXPECT_EQ("{\"error\":\"unknown_command\",\"id\":7}", written[0]);
}

TEST_F(ProtocolTest, GateRefusesListingsUnlessGranted) {
  for (AuthorizationStatus status : {kNotDetermined, kRestricted, kDenied, kWriteOnly}) {
    state_->status = status;
    auto written = exchange({"{\"cmd\":\"calendars\",\"id\":1}",
                             "{\"cmd\":\"events\",\"id\":2,\"start\":5}"});
    ASSERT_EQ(2u, written.size());
    EXPECT_EQ("{\"error\":\"not_granted\",\"id\":1}", written[0]);
    EXPECT_EQ("{\"error\":\"not_granted\",\"id\":2}", written[1]);
  }
  EXPECT_TRUE(state_->askedRanges.empty());
}

TEST_F(ProtocolTest, ListingsOnceGranted) {
  state_->status = kFullAccess;
  state_->calendars = {{"cal/1", "Home", std::nullopt, kBirthday, Rgb{1, 0.5, 0}}};
  EventRecord event;
  event.start = Instant{std::chrono::seconds(1709649000)};
  event.end = *event.start + std::chrono::hours(1);
  event.calendarId = "cal/1";
  event.externalId = "u1";
  state_->events = {event};
  auto written = exchange({"{\"cmd\":\"calendars\",\"id\":1}",
                           "{\"cmd\":\"events\",\"id\":2,\"start\":\"2024-03-05T00:00:00Z\","
                           "\"end\":\"2024-03-06T00:00:00.5+01:00\"}",
                           "{\"cmd\":\"events\",\"id\":3,\"start\":\"2024-03-05T00:00:00Z\","
                           "\"end\":\"2024-03-05T00:00:00Z\"}"});
  ASSERT_EQ(3u, written.size());
  EXPECT_EQ(
      "{\"calendars\":[{\"color\":\"#FF8000\",\"id\":\"cal\\/1\",\"sourceId\":\"\","
      "\"sourceTitle\":\"\",\"subscribed\":true,\"title\":\"Home\"}],\"id\":1}",
      written[0]);
  EXPECT_EQ(
      "{\"events\":[{\"allDay\":false,\"calendarId\":\"cal\\/1\",\"end\":\"2024-03-05T15:30:00Z\","
      "\"start\":\"2024-03-05T14:30:00Z\",\"title\":\"\",\"uid\":\"u1\"}],\"id\":2}",
      written[1]);
  EXPECT_EQ("{\"error\":\"bad_range\",\"id\":3}", written[2]);
  ASSERT_EQ(1u, state_->askedRanges.size());
  EXPECT_EQ("2024-03-05T23:00:00Z", iso.write(state_->askedRanges[0].second));
}

TEST_F(ProtocolTest, RequestWaitsForTheUserWhileOtherCommandsAreAnswered) {
  auto written = exchange({"{\"cmd\":\"request\",\"id\":\"r\"}", "{\"cmd\":\"status\",\"id\":1}"});
  ASSERT_EQ(1u, written.size());
  EXPECT_EQ("{\"id\":1,\"status\":\"notDetermined\"}", written[0]);
  ASSERT_EQ(1u, state_->pendingRequests.size());

  written = exchange({}, [this] { FakeStore::answer(state_, kFullAccess); });
  ASSERT_EQ(1u, written.size());
  EXPECT_EQ("{\"id\":\"r\",\"status\":\"granted\"}", written[0]);
  EXPECT_EQ(2, state_->handlesOpened);  // the handle was renewed
  EXPECT_EQ(1u, state_->observers.size());  // and the subscription follows it
}

TEST_F(ProtocolTest, RequestAnswersAtOnceWhenDecided) {
  for (AuthorizationStatus status : {kDenied, kWriteOnly, kFullAccess}) {
    state_->status = status;
    json answer = only(exchange({"{\"cmd\":\"request\",\"id\":3}"}));
    EXPECT_EQ(statusWord(status), answer["status"]);
    EXPECT_TRUE(state_->pendingRequests.empty());
  }
}

TEST_F(ProtocolTest, ChangesGiveTheChangeLine) {
  auto written = exchange({"{\"cmd\":\"status\",\"id\":1}"}, [this] {
    work->sync([] {});
    FakeStore::fireChange(state_);
  });
  ASSERT_EQ(2u, written.size());
  EXPECT_EQ("{\"event\":\"changed\"}", written[1]);
}

}  // namespace
