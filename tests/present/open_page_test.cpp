#include "present/open_page.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/temp_dir.h"

namespace ks::present {
namespace {

struct RecordingLauncher : Launcher {
  std::vector<std::vector<std::string>> calls;
  bool succeed = true;
  bool launch(const std::vector<std::string>& argv) override {
    calls.push_back(argv);
    return succeed;
  }
};

struct Harness {
  RecordingLauncher launcher;
  app_options::Options options;
  std::map<std::string, std::string> vars;
  std::vector<std::pair<std::string, std::string>> messages;

  OpenEnv env() {
    OpenEnv e;
    e.options = &options;
    e.launcher = &launcher;
    e.message = [this](std::string_view text, std::string_view title) {
      messages.emplace_back(text, title);
    };
    e.getenv = [this](std::string_view name) -> std::optional<std::string> {
      auto it = vars.find(std::string(name));
      if (it == vars.end()) return std::nullopt;
      return it->second;
    };
    return e;
  }
};

TEST(NormalizeUrl, KeepsSchemeEncodesHostAndEscapesTheRest) {
  EXPECT_EQ(normalize_url("http://example.org/a b?q=1#x  "), "http://example.org/a%20b?q=1#x");
  // The host goes to its ASCII form, the path's Shift_JIS bytes to %HH.
  const std::string url = "http://" + KS_SJ("例え") + ".jp/" + KS_SJ("あ");
  EXPECT_EQ(normalize_url(url), "http://xn--r8jz45g.jp/%82%A0");
  // Safe characters pass unchanged.
  EXPECT_EQ(normalize_url("http://h/;/?:@&=+$,-_.!~*'()<>#%\""),
            "http://h/;/?:@&=+$,-_.!~*'()<>#%\"");
}

TEST(NormalizeUrl, WithoutSchemeThePartBeforeTheSlashIsTheHost) {
  EXPECT_EQ(normalize_url(KS_SJ("例え") + ".jp/a b"), "xn--r8jz45g.jp/a%20b");
  EXPECT_EQ(normalize_url("host/{x}"), "host/%7Bx%7D");
}

TEST(NormalizeUrl, RefusesWhatWouldNotFit) {
  EXPECT_TRUE(normalize_url("http://h/" + std::string(2091, 'a')));
  EXPECT_FALSE(normalize_url("http://h/" + std::string(2092, 'a')));
  EXPECT_FALSE(normalize_url("http://h/" + std::string(700, ' ') + "x"));
}

TEST(SearchTerm, KeepsJapaneseAndEscapesSpaces) {
  const std::string term = KS_SJ("新着 情報") + "\xB1\xB2 ";
  EXPECT_EQ(encode_search_term(term), KS_SJ("新着") + "%20" + KS_SJ("情報") + "\xB1\xB2");
  EXPECT_EQ(encode_search_term("a\x01{"), "a%01%7B");
  EXPECT_FALSE(encode_search_term(std::string(701, '{')));
}

TEST(WebSearch, AddressesUseFixedPathsAndConfiguredHosts) {
  SearchEndpoints ep;
  ep.web = "http://s.test";
  ep.encyclopedia = "http://e.test";
  ep.dictionary = "http://d.test";
  const std::string sel = KS_SJ("猫");
  EXPECT_EQ(web_search_address(sel, ep), "http://s.test/search?ie=Shift_JIS&hl=ja&q=" + sel);
  EXPECT_EQ(normalize_url(encyclopedia_search_address(sel, ep)),
            "http://e.test/w/index.php?title=%E7%89%B9%E5%88%A5%3A%E6%A4%9C%E7%B4%A2&redirs=0"
            "&search=%E7%8C%AB&fulltext=Search&ns0=1");
  EXPECT_EQ(normalize_url(dictionary_search_address(sel, ep)),
            "http://d.test/srch/all/%E7%8C%AB/m0u/");
}

TEST(Environment, ExpandsBothReferenceForms) {
  Harness h;
  h.vars["HOME"] = "/home/u";
  EXPECT_EQ(expand_environment("%HOME%/b $HOME/c ${HOME}d $NOPE. %NOPE% 100%", h.env()),
            "/home/u/b /home/u/c /home/ud $NOPE. %NOPE% 100%");
  // The address is handed over as it is, percent escapes and all.
  h.options.use_browser = 1;
  h.options.browser = "$HOME/bin/browser";
  ASSERT_TRUE(run_program(h.options.browser, "http://a/%HOME%?q=$HOME", h.env()));
  EXPECT_EQ(h.launcher.calls.back(),
            (std::vector<std::string>{"/home/u/bin/browser", "http://a/%HOME%?q=$HOME"}));
  EXPECT_EQ(split_command("\"/opt/my browser\" --new 'a b'"),
            (std::vector<std::string>{"/opt/my browser", "--new", "a b"}));
}

TEST(OpenAddress, ProgramChoice) {
  Harness h;
  // Default handler: xdg-open without $BROWSER.
  ASSERT_TRUE(open_address(AddressKind::kUrl, "http://a/x y", 0, h.env()));
  ASSERT_EQ(h.launcher.calls.size(), 1u);
  EXPECT_EQ(h.launcher.calls[0], (std::vector<std::string>{"xdg-open", "http://a/x%20y"}));
  // $BROWSER wins over xdg-open.
  h.vars["BROWSER"] = "firefox --new-tab";
  ASSERT_TRUE(open_address(AddressKind::kAsIs, "http://a/", 0, h.env()));
  EXPECT_EQ(h.launcher.calls[1], (std::vector<std::string>{"firefox", "--new-tab", "http://a/"}));
  // USE_BROWSER with BROWSER wins over the environment.
  h.options.use_browser = 1;
  h.options.browser = "/usr/bin/mybrowser";
  ASSERT_TRUE(open_address(AddressKind::kAsIs, "http://a/", 0, h.env()));
  EXPECT_EQ(h.launcher.calls[2][0], "/usr/bin/mybrowser");
  EXPECT_TRUE(h.messages.empty());
}

TEST(OpenAddress, FailuresAreToldAndNotPassedOn) {
  Harness h;
  h.options.use_browser = 1;
  h.options.browser = "";
  EXPECT_FALSE(open_address(AddressKind::kAsIs, "http://a/", 0, h.env()));
  ASSERT_EQ(h.messages.size(), 1u);
  EXPECT_EQ(h.messages[0].first, KS_SJ("ブラウザが指定されていません"));
  EXPECT_EQ(h.messages[0].second, KS_SJ("エラー"));
  EXPECT_TRUE(h.launcher.calls.empty());

  h.options.browser = "nothing-here";
  h.launcher.succeed = false;
  EXPECT_FALSE(open_address(AddressKind::kAsIs, "http://a/", 0, h.env()));
  ASSERT_EQ(h.launcher.calls.size(), 1u);  // not handed on to the default handler
  EXPECT_EQ(h.messages[1].first, KS_SJ("ブラウザを起動できません"));
  EXPECT_EQ(h.messages[1].second, KS_SJ("Kestrelscanエラー"));

  // An address too long to prepare opens nothing.
  EXPECT_FALSE(open_address(AddressKind::kAsIs, std::string(2101, 'a'), 0, h.env()));
  EXPECT_EQ(h.launcher.calls.size(), 1u);
}

bool has_zombie_child() {
  const std::string me = std::to_string(::getpid());
  for (const DirEntry& e : scan_dir("/proc")) {
    if (e.name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = read_file("/proc/" + e.name + "/stat").value_or("");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 >= stat.size()) continue;
    const char state = stat[close + 2];
    const std::string rest = stat.substr(close + 4);
    const std::string ppid = rest.substr(0, rest.find(' '));
    if (ppid == me && state == 'Z') return true;
  }
  return false;
}

TEST(SystemLauncher, StartsWithoutWaitingAndLeavesNoZombie) {
  test::TempDir dir;
  const std::string script = dir.file("browser.sh");
  const std::string out = dir.file("args.txt");
  ASSERT_TRUE(write_file_atomic(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + out + ".tmp\nmv " +
                                            out + ".tmp " + out + "\n"));
  ASSERT_EQ(::chmod(script.c_str(), 0755), 0);
  OpenEnv env;
  EXPECT_TRUE(run_program(script, "http://x/?a=1 b", env));
  for (int i = 0; i < 600 && !path_exists(out); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(read_file(out).value_or(""), "http://x/?a=1 b\n");
  // The reaper collects the child: no zombie child of ours stays behind.
  bool zombie = true;
  for (int i = 0; i < 200 && zombie; ++i) {
    zombie = has_zombie_child();
    if (zombie) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_FALSE(zombie);

  std::vector<std::pair<std::string, std::string>> messages;
  env.message = [&](std::string_view t, std::string_view) { messages.emplace_back(t, ""); };
  EXPECT_FALSE(run_program(dir.file("missing-program"), "http://x/", env));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].first, KS_SJ("ブラウザを起動できません"));
}

}  // namespace
}  // namespace ks::present
