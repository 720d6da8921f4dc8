// The systemd user units that run scheduled checks pass systemd's own
// verification (as a user manager loads them), with ExecStart pointing at
// the CLI just built; a unit that runs something else fails it, so the
// check is not vacuous. Skipped where systemd-analyze is not installed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "platform/fs.h"
#include "support/temp_dir.h"

namespace ks {
namespace {

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST(SystemdUnits, TheTimerAndServiceVerify) {
  if (std::system("command -v systemd-analyze >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "systemd-analyze is not installed";
  }
  test::TempDir dir;
  const std::string service =
      read_file(KS_SOURCE_DIR "/dist/systemd/kestrelscan-check.service.in").value_or("");
  const std::string timer =
      read_file(KS_SOURCE_DIR "/dist/systemd/kestrelscan-check.timer").value_or("");
  ASSERT_NE(service.find("ExecStart=@KS_CLI_BINARY@ check --due\n"), std::string::npos);
  ASSERT_NE(service.find("SuccessExitStatus=3 75\n"), std::string::npos);
  ASSERT_NE(timer.find("Persistent=true\n"), std::string::npos);
  ASSERT_TRUE(write_file_atomic(dir.file("kestrelscan-check.timer"), timer));
  // The user manager's runtime folder, private to the test.
  const std::string runtime = dir.file("runtime");
  ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
  auto verify = [&](const std::string& binary) {
    EXPECT_TRUE(write_file_atomic(dir.file("kestrelscan-check.service"),
                                  replace_all(service, "@KS_CLI_BINARY@", binary)));
    const std::string cmd = "cd '" + dir.path() + "' && XDG_RUNTIME_DIR='" + runtime +
                            "' systemd-analyze --user verify --man=no "
                            "kestrelscan-check.service kestrelscan-check.timer >'" +
                            dir.file("out.txt") + "' 2>&1";
    const int status = std::system(cmd.c_str());
    return std::make_pair(status, read_file(dir.file("out.txt")).value_or(""));
  };
  const auto good = verify(KS_CLI_PATH);
  EXPECT_EQ(good.first, 0) << good.second;
  EXPECT_EQ(good.second, "");
  const auto bad = verify(dir.file("no-such-program"));
  EXPECT_NE(bad.first, 0) << bad.second;
}

}  // namespace
}  // namespace ks
