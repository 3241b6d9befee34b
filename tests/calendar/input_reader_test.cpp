#include "input_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> linesOf(const std::string& input) {
  int fds[2];
  EXPECT_EQ(0, pipe(fds));
  std::thread writer([&] {
    // Small pieces, so lines and CR LF pairs are split across reads.
    for (size_t i = 0; i < input.size(); i += 3) {
      EXPECT_GT(write(fds[1], input.data() + i, std::min<size_t>(3, input.size() - i)), 0);
    }
    close(fds[1]);
  });
  std::vector<std::string> lines;
  readInputLines(fds[0], [&](const std::string& line) { lines.push_back(line); });
  writer.join();
  close(fds[0]);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(ReadInputLines, SplitsAtLineFeedsAndStripsCrLf) {
  EXPECT_EQ(Lines({"a", "b", "", "c"}), linesOf("a\nb\r\n\nc\n"));
  EXPECT_EQ(Lines({"last"}), linesOf("last"));
  EXPECT_EQ(Lines({"x\r"}), linesOf("x\r"));  // no terminator: the CR is text
  EXPECT_EQ(Lines({"a\rb", ""}), linesOf("a\rb\n\r\n"));
  EXPECT_EQ(Lines({}), linesOf(""));
  EXPECT_EQ(Lines({std::string("n\0l", 3)}), linesOf(std::string("n\0l\n", 4)));
  std::string big(300000, 'x');
  EXPECT_EQ(Lines({big, "y"}), linesOf(big + "\ny"));
}

TEST(ReadInputLines, ANonBlockingDescriptorIsWaitedOnUntilItsEnd) {
  int fds[2];
  ASSERT_EQ(0, pipe(fds));
  ASSERT_EQ(0, fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK));
  std::thread writer([&] {
    // Pauses between the pieces: reads find the pipe empty.
    for (const char* piece : {"first\n", "sec", "ond\n", "third"}) {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      EXPECT_GT(write(fds[1], piece, strlen(piece)), 0);
    }
    close(fds[1]);
  });
  Lines lines;
  readInputLines(fds[0], [&](const std::string& line) { lines.push_back(line); });
  writer.join();
  close(fds[0]);
  EXPECT_EQ(Lines({"first", "second", "third"}), lines);
}

TEST(RepairUtf8, InvalidSequencesBecomeReplacementCharacters) {
  const std::string r = "\xEF\xBF\xBD";
  struct Case {
    std::string in, out;
  } cases[] = {
      {"plain ascii", "plain ascii"},
      {"\xC3\xA4 \xE6\x97\xA5 \xF0\x9F\x98\x80", "\xC3\xA4 \xE6\x97\xA5 \xF0\x9F\x98\x80"},
      {"a\xFF" "b", "a" + r + "b"},
      {"\xC3", r},                                   // truncated at the end
      {"\xE6\x97" "x", r + "x"},                     // maximal subpart: one replacement
      {"\xC0\xAF", r + r},                           // overlong
      {"\xED\xA0\x80", r + r + r},                   // surrogate
      {"\xF4\x90\x80\x80", r + r + r + r},           // above U+10FFFF
      {"\x80\x80", r + r},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, repairUtf8(c.in)) << c.in;
}

}  // namespace
