#include "net/webdriver.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <sstream>
#include <thread>

#include "net/webdriver_answer.h"
#include "platform/fs.h"
#include "support/fake_driver.h"
#include "support/temp_dir.h"

namespace ks::net {
namespace {

using test::DriverAnswer;
using test::DriverRequest;
using test::FakeDriver;
using test::TempDir;

// A pool that starts a stand-in process per slot (a shell that records its
// pid and temporary folders, then sleeps) and talks to the fake driver.
struct PoolFixture {
  TempDir dir;
  FakeDriver driver;
  std::string work = dir.file("work");
  std::string item = dir.file("item");
  std::unique_ptr<DriverPool> pool;

  PoolFixture() {
    make_dirs(work);
    make_dirs(item);
    WebDriverConfig c;
    c.command = {
        "/bin/sh", "-c",
        "echo $$ \"$TEMP|$TMP|$TMPDIR\" >> '" + dir.file("procs.txt") + "'; exec sleep 120"};
    c.session_body = "{\"profile\": \"%s/Session%u\", \"pct\": \"%%\"}";
    c.profile_base = "/base \"q\"";
    c.work_folder = work;
    c.port_base = driver.port_base();
    c.timeout_seconds = 20;
    c.end_grace_ms = 2000;
    pool = std::make_unique<DriverPool>(c);
  }

  DriverFetchResult fetch(const std::string& url = "http://example.test/a",
                          const StopFlags& stop = {}, const std::string& folder = {}) {
    DriverFetch f;
    f.url = url;
    f.item_folder = folder.empty() ? item : folder;
    make_dirs(f.item_folder);
    f.response_path = path_join(f.item_folder, "htmltmp.txt");
    f.stop = stop;
    return pool->fetch(f);
  }

  std::string response() { return read_file(path_join(item, "htmltmp.txt")).value_or("<none>"); }

  std::vector<pid_t> pids() {
    std::vector<pid_t> out;
    std::istringstream in(read_file(dir.file("procs.txt")).value_or(""));
    std::string line;
    while (std::getline(in, line)) out.push_back(static_cast<pid_t>(std::stol(line)));
    return out;
  }
};

std::vector<std::string> paths_of(const std::vector<DriverRequest>& rs) {
  std::vector<std::string> out;
  for (const auto& r : rs) out.push_back(r.method + " " + r.path);
  return out;
}

TEST(WebDriverFetch, SendsTheRequestTextsAndWritesTheResponse) {
  PoolFixture f;
  ASSERT_TRUE(f.driver.ok());
  f.driver.set_source([](int) { return "<p>caf\\u00e9 \\ud83d\\ude00 \\\"q\\\"<\\/p>"; });
  ASSERT_EQ(f.fetch("http://example.test/a?b=\"c\""), DriverFetchResult::kOk);

  const auto rs = f.driver.requests();
  ASSERT_EQ(rs.size(), 7u) << ::testing::PrintToString(paths_of(rs));
  const std::string port = std::to_string(f.driver.port_base());
  const std::string host = "Content-Type: application/json\r\nHost: localhost:" + port + "\r\n";
  const std::string body = "{\"profile\": \"/base \\\"q\\\"/Session" + port + "\", \"pct\": \"%\"}";
  EXPECT_EQ(rs[0].raw, "POST /session HTTP/1.1\r\n" + host +
                           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  EXPECT_EQ(rs[1].raw, "POST /session/fake-0/window/minimize HTTP/1.1\r\n" + host +
                           "Content-Length: 2\r\n\r\n{}");
  const std::string url_body = "{\"url\": \"http://example.test/a?b=\\\"c\\\"\"}";
  EXPECT_EQ(rs[2].raw, "POST /session/fake-0/url HTTP/1.1\r\n" + host + "Content-Length: " +
                           std::to_string(url_body.size()) + "\r\n\r\n" + url_body);
  const std::string sync = "{\"script\": \"return document.readyState;\", \"args\": []}";
  ASSERT_EQ(sync.size(), 53u);
  EXPECT_EQ(rs[3].raw, "POST /session/fake-0/execute/sync HTTP/1.1\r\n" + host +
                           "Content-Length: 53\r\n\r\n" + sync);
  for (int i = 4; i < 7; ++i) {
    EXPECT_EQ(rs[static_cast<std::size_t>(i)].raw,
              "GET /session/fake-0/source HTTP/1.1\r\n" + host + "\r\n");
  }
  EXPECT_EQ(f.response(),
            "HTTP/1.1 200 OK\nContent-Type: text/html; charset=utf-8\n\n\n"
            "<p>caf\xC3\xA9 \xF0\x9F\x98\x80 \"q\"</p>");
  // The exchange files are gone.
  for (const char* name :
       {"session.json", "minimize.json", "url.json", "sync.json", "source1.json", "source2.json"}) {
    EXPECT_FALSE(path_exists(path_join(f.item, name))) << name;
  }

  f.pool->close_slots();
  const auto after = f.driver.requests();
  ASSERT_EQ(after.size(), 8u);
  EXPECT_EQ(after[7].raw,
            "DELETE /session/fake-0 HTTP/1.1\r\nHost: localhost:" + port + "\r\n\r\n");
}

TEST(WebDriverFetch, SlotsRotateAndAreReusedFromTheFifthFetch) {
  PoolFixture f;
  ASSERT_TRUE(f.driver.ok());
  for (int i = 0; i < 6; ++i) ASSERT_EQ(f.fetch(), DriverFetchResult::kOk) << i;
  EXPECT_EQ(f.pool->hand_outs(), (std::vector<int>{0, 1, 2, 3, 0, 1}));
  EXPECT_EQ(f.driver.count("POST", "/session"), 4u);
  EXPECT_EQ(f.driver.count("POST", "/window/minimize"), 4u);
  EXPECT_EQ(f.driver.count("POST", "/url"), 6u);
  EXPECT_EQ(f.pids().size(), 4u);  // one driver per slot, none started twice
  // Each slot's requests came in on its own port, with its own session.
  for (const auto& r : f.driver.requests()) {
    if (r.path != "/session") {
      EXPECT_NE(r.path.find("/session/fake-" + std::to_string(r.slot)), std::string::npos)
          << r.path;
    }
  }
}

TEST(WebDriverFetch, SourcePolling) {
  {
    SCOPED_TRACE("a source that changes on every request: ten requests, the tenth is used");
    PoolFixture f;
    ASSERT_TRUE(f.driver.ok());
    f.driver.set_source([](int n) { return "v" + std::to_string(n); });
    ASSERT_EQ(f.fetch(), DriverFetchResult::kOk);
    EXPECT_EQ(f.driver.count("GET", "/source"), 10u);
    EXPECT_TRUE(f.response().ends_with("\n\n\nv10"));
  }
  {
    SCOPED_TRACE("a source that settles: three identical answers in a row end the polling");
    PoolFixture f;
    ASSERT_TRUE(f.driver.ok());
    f.driver.set_source(
        [](int n) { return n < 3 ? "early" + std::to_string(n) : std::string("done"); });
    ASSERT_EQ(f.fetch(), DriverFetchResult::kOk);
    EXPECT_EQ(f.driver.count("GET", "/source"), 5u);  // 1, 2, done, done, done
    EXPECT_TRUE(f.response().ends_with("\n\n\ndone"));
  }
}

TEST(WebDriverFetch, LoadStateIsAskedUntilComplete) {
  PoolFixture f;
  ASSERT_TRUE(f.driver.ok());
  std::atomic<int> asked{0};
  f.driver.set_handler([&](const DriverRequest& r) -> std::optional<DriverAnswer> {
    if (r.path.ends_with("/execute/sync") && ++asked < 3)
      return DriverAnswer{200, "{\"value\":\"loading\"}"};
    return std::nullopt;
  });
  ASSERT_EQ(f.fetch(), DriverFetchResult::kOk);
  EXPECT_EQ(asked.load(), 3);
}

TEST(WebDriverFetch, AnswerThatPausesMidBodyIsReadWhole) {
  PoolFixture f;
  ASSERT_TRUE(f.driver.ok());
  const std::string big(120000, 'x');
  f.driver.set_handler([&](const DriverRequest& r) -> std::optional<DriverAnswer> {
    if (!r.path.ends_with("/source")) return std::nullopt;
    DriverAnswer a{200, "{\"value\":\"" + big + "\"}"};
    a.split_pause_ms = 300;
    return a;
  });
  ASSERT_EQ(f.fetch(), DriverFetchResult::kOk);
  EXPECT_EQ(f.response().size(), kDriverResponseHead.size() + big.size());
}

TEST(WebDriverFetch, DriverErrorsFailTheFetch) {
  {
    SCOPED_TRACE("an error answer to the source request is not a page");
    PoolFixture f;
    ASSERT_TRUE(f.driver.ok());
    f.driver.set_handler([](const DriverRequest& r) -> std::optional<DriverAnswer> {
      if (!r.path.ends_with("/source")) return std::nullopt;
      return DriverAnswer{500, "{\"value\":{\"error\":\"unknown error\",\"message\":\"x\"}}"};
    });
    EXPECT_EQ(f.fetch(), DriverFetchResult::kFailed);
    EXPECT_FALSE(path_exists(path_join(f.item, "htmltmp.txt")));
  }
  {
    SCOPED_TRACE("no session id: failed, and the next fetch on the slot asks again");
    PoolFixture f;
    ASSERT_TRUE(f.driver.ok());
    std::atomic<int> sessions{0};
    f.driver.set_handler([&](const DriverRequest& r) -> std::optional<DriverAnswer> {
      if (r.path == "/session" && ++sessions == 1) return DriverAnswer{200, "{\"value\":{}}"};
      return std::nullopt;
    });
    EXPECT_EQ(f.fetch(), DriverFetchResult::kFailed);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f.fetch(), DriverFetchResult::kOk);
    EXPECT_EQ(f.fetch(), DriverFetchResult::kOk);  // slot 0 again
    EXPECT_EQ(f.driver.count("POST", "/session"), 5u);
  }
  {
    SCOPED_TRACE("a session id that cannot go into a request line is refused");
    PoolFixture f;
    ASSERT_TRUE(f.driver.ok());
    f.driver.set_handler([](const DriverRequest& r) -> std::optional<DriverAnswer> {
      if (r.path == "/session") return DriverAnswer{200, "{\"value\":{\"sessionId\":\"a b\"}}"};
      return std::nullopt;
    });
    EXPECT_EQ(f.fetch(), DriverFetchResult::kFailed);
    EXPECT_EQ(f.driver.count("POST", "/url"), 0u);
  }
}

TEST(WebDriverFetch, MissingOrSilentDriverFailsWithoutHanging) {
  TempDir dir;
  WebDriverConfig c;
  c.work_folder = dir.path();
  c.session_body = "{}";
  c.port_base = test::free_port_run(4);
  c.timeout_seconds = 30;
  c.startup_seconds = 2;
  DriverFetch f;
  f.url = "http://example.test/";
  f.item_folder = dir.path();
  f.response_path = dir.file("htmltmp.txt");
  const auto started = std::chrono::steady_clock::now();
  {
    DriverPool none(c);  // no driver found
    EXPECT_EQ(none.fetch(f), DriverFetchResult::kFailed);
  }
  {
    c.command = {dir.file("no-such-driver")};
    DriverPool missing(c);
    EXPECT_EQ(missing.fetch(f), DriverFetchResult::kFailed);
  }
  {
    c.command = {"/bin/sh", "-c", "exit 3"};  // starts, then ends at once
    DriverPool dies(c);
    EXPECT_EQ(dies.fetch(f), DriverFetchResult::kFailed);
  }
  {
    c.command = {"/bin/sh", "-c", "exec sleep 60"};  // runs but never listens
    DriverPool silent(c);
    EXPECT_EQ(silent.fetch(f), DriverFetchResult::kFailed);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(25));
}

TEST(WebDriverFetch, StopWhileWaitingForASlot) {
  PoolFixture f;
  ASSERT_TRUE(f.driver.ok());
  std::atomic<bool> hold{true};
  f.driver.set_handler([&](const DriverRequest& r) -> std::optional<DriverAnswer> {
    if (r.path.ends_with("/url")) {
      for (int i = 0; i < 300 && hold; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
  });
  std::vector<std::thread> holders;
  std::atomic<int> finished{0};
  for (int i = 0; i < 4; ++i) {
    holders.emplace_back([&f, &finished, i] {
      f.fetch("http://example.test/", {}, f.dir.file("item" + std::to_string(i)));
      ++finished;
    });
  }
  for (int i = 0; i < 500 && f.driver.count("POST", "/url") < 4; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(f.driver.count("POST", "/url"), 4u);
  std::atomic<bool> abort{false};
  std::atomic<int> fifth{-1};
  std::thread waiter([&] {
    fifth = static_cast<int>(f.fetch("http://example.test/5", {&abort, nullptr}));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  EXPECT_EQ(fifth.load(), -1);  // still waiting for a slot
  abort = true;
  waiter.join();
  EXPECT_EQ(fifth.load(), static_cast<int>(DriverFetchResult::kStopped));
  EXPECT_EQ(f.pool->hand_outs().size(), 4u);
  hold = false;
  for (auto& t : holders) t.join();
  EXPECT_EQ(finished.load(), 4);
}

TEST(WebDriverFetch, CleanUpAtTheEndOfARun) {
  PoolFixture f;
  ASSERT_TRUE(f.driver.ok());
  for (int i = 0; i < 3; ++i) ASSERT_EQ(f.fetch(), DriverFetchResult::kOk);
  const auto pids = f.pids();
  ASSERT_EQ(pids.size(), 3u);
  for (pid_t p : pids) EXPECT_EQ(::kill(p, 0), 0);
  // The drivers got the work folder as their temporary folder.
  const std::string procs = read_file(f.dir.file("procs.txt")).value_or("");
  EXPECT_NE(procs.find(f.work + "|" + f.work + "|" + f.work), std::string::npos) << procs;
  make_dirs(path_join(f.work, "Session" + std::to_string(f.driver.port_base())));

  f.pool->close_slots();
  EXPECT_EQ(f.driver.count("DELETE", "/session/fake-0"), 1u);
  EXPECT_EQ(f.driver.count("DELETE", "/session/fake-1"), 1u);
  EXPECT_EQ(f.driver.count("DELETE", "/session/fake-2"), 1u);
  EXPECT_EQ(f.driver.count("DELETE", ""), 3u);
  for (pid_t p : pids) {
    EXPECT_EQ(::kill(p, 0), -1) << p;  // ended and reaped: no zombie either
    EXPECT_EQ(errno, ESRCH);
  }
  EXPECT_TRUE(scan_dir(f.work).empty());  // clean-up files and profiles gone

  // The next run starts again at slot 0 with new drivers and sessions.
  ASSERT_EQ(f.fetch(), DriverFetchResult::kOk);
  EXPECT_EQ(f.pool->hand_outs().back(), 0);
  EXPECT_EQ(f.pids().size(), 4u);
  EXPECT_EQ(f.driver.count("POST", "/session"), 4u);
}

// --- answers -------------------------------------------------------------

TEST(WebDriverAnswer, CompletionAtEverySplit) {
  const std::string with_length =
      "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\ncontent-LENGTH: "
      "12\r\n\r\n{\"value\":1}\n";
  const std::string empty = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
  const std::string no_length = "HTTP/1.1 404 Not Found\r\n\r\n{}";
  for (std::size_t cut = 0; cut <= with_length.size(); ++cut) {
    AnswerTracker t;
    EXPECT_EQ(t.feed(with_length.substr(0, cut)), cut);
    EXPECT_EQ(t.complete(), cut == with_length.size()) << cut;
    t.feed(with_length.substr(cut));
    EXPECT_TRUE(t.complete());
    EXPECT_EQ(t.status(), 200);
    EXPECT_FALSE(t.ends_on_idle());
  }
  AnswerTracker e;
  EXPECT_EQ(e.feed(empty + "HTTP/1.1"), empty.size());  // the next answer is not this one's
  EXPECT_TRUE(e.complete());
  AnswerTracker n;
  n.feed(no_length);
  EXPECT_FALSE(n.complete());
  EXPECT_TRUE(n.ends_on_idle());
  EXPECT_EQ(n.status(), 404);
  AnswerTracker lf;  // bare LF line ends
  lf.feed("HTTP/1.1 200 OK\nContent-Length: 2\n\nab");
  EXPECT_TRUE(lf.complete());
}

TEST(WebDriverAnswer, StringsAndUnescaping) {
  const std::string session =
      "HTTP/1.1 200 OK\r\n\r\n{\"value\":{\"capabilities\":{\"x\":\"a\\\"sessionId\\\"\"},"
      "\"sessionId\":\"abc-123\"}}";
  EXPECT_EQ(string_after(session, "sessionId"), "abc-123");
  EXPECT_EQ(string_after(session, "missing"), std::nullopt);
  EXPECT_EQ(string_after("{\"sessionId\":\"" + std::string(150, 'z') + "\"}", "sessionId")->size(),
            kDriverStringMax);
  EXPECT_EQ(string_after("{\"sessionId\"", "sessionId"), std::nullopt);

  EXPECT_EQ(json_unescape(R"(a\"b\\c\/d\b\f\n\r\t\x" tail)"), "a\"b\\c/d\b\f\n\r\t?");
  EXPECT_EQ(json_unescape(R"(\u0041\u00e9\u3042)"), "A\xC3\xA9\xE3\x81\x82");
  EXPECT_EQ(json_unescape(R"(\ud83d\ude00)"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(json_unescape(R"(\ud83dx\ude00\u12g4)"), "?x??12g4");
  EXPECT_EQ(json_unescape("\\u00"), "?00");
  EXPECT_EQ(json_unescape("end\\"), "end");
  EXPECT_EQ(json_escape("a\"\\\n\x01\xE3\x81\x82"), "a\\\"\\\\\\u000a\\u0001\xE3\x81\x82");
  EXPECT_TRUE(is_safe_session_id("3f9a-B_c.1"));
  EXPECT_FALSE(is_safe_session_id(""));
  EXPECT_FALSE(is_safe_session_id("a/b"));
  EXPECT_FALSE(is_safe_session_id("a\r\nX: y"));
}

TEST(WebDriverAnswer, SessionBodyPlaceholders) {
  EXPECT_EQ(format_session_body("%s/Session%u %% %d", "C:\\x", 50001), "C:\\\\x/Session50001 % %d");
  EXPECT_EQ(format_session_body(std::string(kSessionBodyMax, 'a'), "", 1).size(), kSessionBodyMax);
  EXPECT_EQ(format_session_body(std::string(kSessionBodyMax, 'a') + "%u", "", 1), "");
}

}  // namespace
}  // namespace ks::net
