// The help, the manual, the Japanese messages and the shell completion agree
// with the program: --help and docs/man/kestrelscan-cli.1 name the same
// commands and exit statuses, LANG=ja_JP.UTF-8 selects the Japanese
// catalogue, and bash completes commands and item paths.
#include <gtest/gtest.h>
#include <locale.h>

#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

test::CliRun run(const std::string& home, const std::vector<std::string>& args,
                 const test::CliEnv& env = {}) {
  return test::run_cli(KS_CLI_PATH, home, args, env);
}

// The lines of `text` from the one that starts with `first` up to an empty
// line (or, in roff, the next section heading).
std::vector<std::string> section(const std::string& text, const std::string& first,
                                 const std::string& end) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  bool on = false;
  for (std::string line; std::getline(in, line);) {
    if (on && line.rfind(end, 0) == 0) break;
    if (on) lines.push_back(line);
    if (line.rfind(first, 0) == 0) on = true;
  }
  return lines;
}

TEST(Manual, HelpAndManualNameTheSameCommandsAndExitStatuses) {
  test::TempDir dir;
  const test::CliRun help = run(dir.path(), {"--help"});
  ASSERT_EQ(help.status, 0);
  const std::string man = read_file(KS_SOURCE_DIR "/docs/man/kestrelscan-cli.1").value_or("");
  ASSERT_FALSE(man.empty());

  std::set<std::string> in_help;
  for (const std::string& line : section(help.out, "commands:", "\n")) {
    if (line.empty()) break;
    if (line.size() > 2 && line[2] != ' ') in_help.insert(line.substr(2, line.find(' ', 2) - 2));
  }
  std::set<std::string> in_man;
  const std::vector<std::string> commands = section(man, ".SH COMMANDS", ".SH");
  for (std::size_t i = 0; i + 1 < commands.size(); ++i) {
    if (commands[i] != ".TP" || commands[i + 1].rfind("\\fB", 0) != 0) continue;
    std::string name = commands[i + 1].substr(3, commands[i + 1].find("\\fR") - 3);
    name = name.substr(0, name.find(' '));  // "template add" is the command template
    for (std::size_t at; (at = name.find("\\-")) != std::string::npos;) name.erase(at, 1);
    in_man.insert(name);
  }
  EXPECT_GE(in_help.size(), 20u);
  EXPECT_EQ(in_help, in_man);

  std::set<std::string> codes_help;
  for (const std::string& line : section(help.out, "exit status:", "\n")) {
    if (line.empty()) break;
    if (line.size() > 2 && line[2] != ' ') codes_help.insert(line.substr(2, line.find(' ', 2) - 2));
  }
  std::set<std::string> codes_man;
  const std::vector<std::string> exits = section(man, ".SH EXIT STATUS", ".SH");
  for (std::size_t i = 0; i + 1 < exits.size(); ++i) {
    if (exits[i] == ".TP" && exits[i + 1].rfind(".B ", 0) == 0)
      codes_man.insert(exits[i + 1].substr(3));
  }
  EXPECT_EQ(codes_help, (std::set<std::string>{"0", "1", "2", "3", "130"}));
  EXPECT_EQ(codes_help, codes_man);
}

TEST(Manual, TheLocaleChoosesTheLanguageOfTheProgramsOwnMessages) {
  locale_t ja = newlocale(LC_MESSAGES_MASK, "ja_JP.UTF-8", nullptr);
  if (!ja) GTEST_SKIP() << "the locale ja_JP.UTF-8 is not generated (scripts/install-deps.sh)";
  freelocale(ja);
  test::TempDir dir;
  const test::CliEnv japanese{{{"LANG", "ja_JP.UTF-8"}}};
  const test::CliRun missing = run(dir.path(), {"show", "nope"}, japanese);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "kestrelscan-cli: そのアイテムやグループはありません: nope\n");
  EXPECT_EQ(run(dir.path(), {"show", "nope"}).err,
            "kestrelscan-cli: no such item or group: nope\n");
  const test::CliRun usage = run(dir.path(), {"check", "--kind"}, japanese);
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.err, "kestrelscan-cli: --kind には値が必要です\n");
  EXPECT_NE(run(dir.path(), {"--help"}, japanese).out.find("終了ステータス:"), std::string::npos);
  // The system's own texts stay as they are in every locale.
  ASSERT_EQ(run(dir.path(), {"add", "http://x/", "--name", "p"}).status, 0);
  EXPECT_NE(run(dir.path(), {"list"}, japanese).out.find("p  [アイテム]"), std::string::npos);
  EXPECT_NE(run(dir.path(), {"list"}).out.find("テンプレート  [templates]"), std::string::npos);
}

// Bash completion, run as bash runs it: the function with COMP_WORDS set.
// The candidates, one a line.
std::string complete(const std::string& home, const std::string& words, int cword) {
  test::TempDir io;
  const std::string script = io.file("complete.sh");
  EXPECT_TRUE(
      write_file_atomic(script, "source '" KS_SOURCE_DIR "/scripts/completion/kestrelscan-cli'\n"
                                "COMP_WORDS=('" KS_CLI_PATH "' --home '" +
                                    home + "' " + words + ")\nCOMP_CWORD=" + std::to_string(cword) +
                                    "\n_kestrelscan_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n"));
  const std::string out = io.file("out");
  if (std::system(("LANG=C.UTF-8 bash " + script + " >" + out + " 2>/dev/null").c_str()) != 0) {
    return "(bash failed)";
  }
  return read_file(out).value_or("");
}

TEST(Manual, BashCompletesCommandsOptionsAndItemPaths) {
  if (std::system("command -v bash >/dev/null 2>&1") != 0) GTEST_SKIP() << "no bash";
  test::TempDir dir;
  ASSERT_EQ(run(dir.path(), {"group", "ニュース"}).status, 0);
  ASSERT_EQ(run(dir.path(), {"add", "http://x/", "--name", "index", "--group", "ニュース"}).status,
            0);
  ASSERT_EQ(run(dir.path(), {"add", "http://y/", "--name", "a b", "--group", "ニュース"}).status,
            0);
  EXPECT_EQ(complete(dir.path(), "ch", 3), "check\n");
  EXPECT_EQ(complete(dir.path(), "check --k", 4), "--kind\n");
  const std::string paths = complete(dir.path(), "show ニュース/", 4);
  EXPECT_NE(paths.find("ニュース/index\n"), std::string::npos) << paths;
  EXPECT_NE(paths.find("ニュース/a\\ b\n"), std::string::npos) << paths;  // quoted for the shell
  EXPECT_EQ(paths.find("テンプレート"), std::string::npos) << paths;
  EXPECT_EQ(complete(dir.path(), "set ニュース/index DETECT_D", 5), "DETECT_DELETED_LINES=\n");
}

}  // namespace
}  // namespace ks
