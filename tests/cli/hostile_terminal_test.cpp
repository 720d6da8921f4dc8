// Hostile names and log lines on the terminal: no control byte from them
// (ESC, BEL, BS, a CR that would overwrite a line) is ever printed.
#include <sys/stat.h>

#include <string>

#include "hostile_fixture.h"

namespace ks::test {
namespace {

using HostileTerminal = HostileTest;

bool has_control_bytes(const std::string& s) {
  for (char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && c != '\n' && c != '\t') || b == 0x7F) return true;
  }
  return false;
}

TEST_F(HostileTerminal, NamesAndLogLinesReachTheTerminalWithoutControlBytes) {
  // Folders made by another program: a terminal title sequence and a CR.
  ASSERT_TRUE(make_dirs(data() + "/\x1b]0;owned\x07x.dat"));
  ASSERT_TRUE(make_dirs(data() + "/a\rFORGED LINE.dat"));
  ASSERT_TRUE(make_dirs(data() + "/b\nFORGED TOO.dat"));
  add("http://x/", "p");
  ASSERT_TRUE(write_file_atomic(item_file("p", "result.db"),
                                "[RESULT]\r\nCODE=3\r\n[INDEX]\r\nCURRENT=1\r\n"));
  ASSERT_TRUE(write_file_atomic(item_file("p", "add1.txt"), "hit \x07\x08\x08\x1b[2J here\r\n"));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"list"},
                                               {"search-logs", "hit"},
                                               {"find", "--name", "x"},
                                               {"list", "--paths"},
                                               {"show", "p"}}) {
    const CliRun r = cli(args);
    EXPECT_FALSE(has_control_bytes(r.out)) << args[0] << ": " << r.out;
    EXPECT_FALSE(has_control_bytes(r.err)) << args[0] << ": " << r.err;
  }
  const std::string list = cli({"list"}).out;
  EXPECT_NE(list.find("a?FORGED LINE"), std::string::npos) << list;
  EXPECT_NE(list.find("b?FORGED TOO"), std::string::npos) << list;  // no line of its own
}

}  // namespace
}  // namespace ks::test
