// The DevTools pipe: message framing, the client against a fake browser end
// (replies, events, oversized messages, a browser that dies, stops), and the
// browser-component page fetch on it with short injected limits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/browser_component.h"
#include "net/browser_page.h"
#include "net/devtools_client.h"
#include "net/devtools_message.h"
#include "platform/fs.h"
#include "support/fake_devtools.h"
#include "support/temp_dir.h"

namespace ks::net {
namespace {

using nlohmann::json;
using test::FakeDevTools;
using Ms = std::chrono::milliseconds;

long long ms_since(Clock::time_point t) {
  return std::chrono::duration_cast<Ms>(Clock::now() - t).count();
}

std::vector<std::string> split_all(const std::string& stream, std::size_t piece, std::size_t max,
                                   std::vector<std::string>* oversized = nullptr) {
  MessageSplitter s(max);
  std::vector<std::string> out;
  for (std::size_t i = 0; i < stream.size(); i += piece) {
    s.feed(
        std::string_view(stream).substr(i, piece), [&](std::string_view m) { out.emplace_back(m); },
        [&](std::string_view p) {
          if (oversized) oversized->emplace_back(p);
        });
  }
  return out;
}

TEST(DevToolsMessage, FramingSurvivesAnySplitAndSkipsOversizedMessages) {
  const std::string stream = std::string("{\"id\":1}\0{\"method\":\"A\"}\0\0{\"id\":2}\0", 34);
  for (std::size_t piece : {1u, 2u, 3u, 7u, 100u}) {
    EXPECT_EQ(split_all(stream, piece, 100),
              (std::vector<std::string>{"{\"id\":1}", "{\"method\":\"A\"}", "", "{\"id\":2}"}))
        << piece;
  }
  const std::string big = "{\"id\":7,\"result\":\"" + std::string(500, 'x') + "\"}";
  std::vector<std::string> oversized;
  const auto got = split_all(big + '\0' + "{\"id\":8}" + '\0', 13, 100, &oversized);
  EXPECT_EQ(got, (std::vector<std::string>{"{\"id\":8}"}));
  ASSERT_EQ(oversized.size(), 1u);
  EXPECT_EQ(oversized[0].size(), kDevToolsPrefixKept);
  EXPECT_EQ(leading_command_id(oversized[0]), 7);
  EXPECT_EQ(leading_command_id("{\"method\":\"x\",\"id\":3}"), std::nullopt);
  EXPECT_EQ(leading_command_id("{\"id\":12"), std::nullopt);  // cut inside the number
}

TEST(DevToolsMessage, ParsesRepliesEventsAndPageTextThatJsonRefuses) {
  DevToolsMessage m = parse_devtools_message(R"({"id":4,"result":{"a":1},"sessionId":"S"})");
  EXPECT_EQ(m.kind, DevToolsMessage::Kind::kReply);
  EXPECT_EQ(m.id, 4);
  EXPECT_EQ(m.session, "S");
  EXPECT_EQ(m.payload["a"], 1);
  m = parse_devtools_message(R"({"id":5,"error":{"code":-1,"message":"no"}})");
  EXPECT_TRUE(m.failed);
  EXPECT_EQ(m.error, "no");
  m = parse_devtools_message(R"({"method":"Page.x","params":{"b":2}})");
  EXPECT_EQ(m.kind, DevToolsMessage::Kind::kEvent);
  EXPECT_EQ(m.method, "Page.x");
  // A lone surrogate (a page's script can make one) becomes U+FFFD; a pair stays.
  m = parse_devtools_message(R"({"id":6,"result":{"v":"a\ud800b\\ud800\ud83d\ude00"}})");
  EXPECT_EQ(m.payload["v"],
            "a\xEF\xBF\xBD"
            "b\\ud800\xF0\x9F\x98\x80");
  m = parse_devtools_message("{\"id\":9,\"result\":\"\xFF\"}");
  EXPECT_EQ(m.kind, DevToolsMessage::Kind::kReply);
  EXPECT_TRUE(m.failed);
  EXPECT_EQ(parse_devtools_message("[1]").kind, DevToolsMessage::Kind::kInvalid);
}

// A client on a fake peer.
struct Pipe {
  explicit Pipe(FakeDevTools::Handler h, std::size_t max = kDevToolsMessageMax)
      : peer(std::move(h)) {
    const auto fds = peer.take_client_fds();
    client = std::make_unique<DevToolsClient>(fds.first, fds.second, max);
  }
  FakeDevTools peer;
  std::unique_ptr<DevToolsClient> client;
};

TEST(DevToolsClient, RoutesInterleavedRepliesAndEventsToTheirCallers) {
  // Replies go out in reverse order, each split over two writes a moment
  // apart, with an event of a page's session before each.
  std::mutex m;
  std::vector<json> held;
  Pipe p([&](FakeDevTools& peer, const json& c) {
    std::lock_guard lock(m);
    held.push_back(c);
    if (held.size() < 3) return;
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
      const std::string text =
          json{{"id", (*it)["id"]}, {"result", {{"echo", (*it)["params"]["n"]}}}}.dump();
      peer.event("S2", "Net.ev", {{"n", (*it)["params"]["n"]}});
      peer.send_raw(text.substr(0, 5));
      std::this_thread::sleep_for(Ms(20));
      peer.send_raw(text.substr(5) + std::string(1, '\0'));
    }
  });
  std::atomic<int> events{0};
  p.client->set_event_handler("S2", std::make_shared<DevToolsClient::EventHandler>(
                                        [&](const std::string& method, const json&) {
                                          if (method == "Net.ev") ++events;
                                        }));
  std::vector<std::thread> callers;
  std::atomic<int> right{0};
  for (int n = 0; n < 3; ++n) {
    callers.emplace_back([&, n] {
      const CommandResult r = p.client->call("X.y", {{"n", n}}, "", {}, 5000);
      if (r.ok() && r.result["echo"] == n) ++right;
    });
  }
  for (auto& t : callers) t.join();
  EXPECT_EQ(right, 3);
  EXPECT_EQ(events, 3);
}

TEST(DevToolsClient, OversizedReplyFailsItsCommandAndTheStreamGoesOn) {
  Pipe p(
      [](FakeDevTools& peer, const json& c) {
        if (c["method"] == "Big") {
          peer.reply(c, {{"v", std::string(5000, 'x')}});
        } else {
          peer.reply(c, {{"v", "small"}});
        }
      },
      1000);
  const auto t0 = Clock::now();
  EXPECT_EQ(p.client->call("Big", json::object(), "", {}, 5000).status,
            CommandResult::Status::kTooLarge);
  EXPECT_LT(ms_since(t0), 1000);
  const CommandResult r = p.client->call("Small", json::object(), "", {}, 5000);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.result["v"], "small");
}

TEST(DevToolsClient, BrowserGoingAwayOrAStopEndsTheWaitAtOnce) {
  Pipe p([](FakeDevTools& peer, const json& c) {
    if (c["method"] == "Die") peer.die();
  });
  std::atomic<bool> abort{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(Ms(100));
    abort = true;
  });
  auto t0 = Clock::now();
  EXPECT_EQ(p.client->call("Hang", json::object(), "", {&abort, nullptr}, 10000).status,
            CommandResult::Status::kStopped);
  EXPECT_LT(ms_since(t0), 250);
  stopper.join();
  t0 = Clock::now();
  EXPECT_EQ(p.client->call("Die", json::object(), "", {}, 10000).status,
            CommandResult::Status::kClosed);
  EXPECT_LT(ms_since(t0), 500);
  EXPECT_TRUE(p.client->closed());
  EXPECT_EQ(p.client->call("After", json::object(), "", {}, 10000).status,
            CommandResult::Status::kClosed);
}

// A page as the fake browser serves it; the fetch's commands are answered in
// the browser's order of events (loading starts before navigate's reply).
struct PageScript {
  std::string fail;            // this command gets an error reply
  std::string navigate_error;  // Page.navigate's errorText
  int busy_ms = 0;             // a request stays in flight this long after navigating
  bool never_idle = false;
  bool die_while_loading = false;
  std::atomic<long long> settled_at{0};  // steady-clock ms when the page went idle
  std::atomic<long long> read_at{0};     // ... and when it was read

  static long long now() {
    return std::chrono::duration_cast<Ms>(Clock::now().time_since_epoch()).count();
  }

  void answer(FakeDevTools& peer, const json& c) {
    const std::string method = c.value("method", "");
    if (method == fail) return peer.reply_error(c, "failed on purpose");
    if (method == "Target.createBrowserContext") return peer.reply(c, {{"browserContextId", "C"}});
    if (method == "Target.createTarget") return peer.reply(c, {{"targetId", "T"}});
    if (method == "Target.attachToTarget") return peer.reply(c, {{"sessionId", "S"}});
    if (method == "Page.navigate") return navigate(peer, c);
    if (method == "Runtime.evaluate") {
      read_at = now();
      return peer.reply(c, {{"result",
                             {{"type", "object"},
                              {"value",
                               {{"lastModified", "01/02/2026 03:04:05"},
                                {"body", "<body><p>\xE6\x97\xA5 text</p></body>"}}}}}});
    }
    peer.reply(c, json::object());
  }

  void navigate(FakeDevTools& peer, const json& c) {
    peer.event("S", "Page.frameStartedLoading", {{"frameId", "T"}});
    peer.event("S", "Network.requestWillBeSent", {{"requestId", "R"}});
    json result = {{"frameId", "T"}};
    if (!navigate_error.empty()) result["errorText"] = navigate_error;
    peer.reply(c, result);
    peer.event("S", "Page.frameStoppedLoading", {{"frameId", "T"}});
    if (die_while_loading) {
      std::this_thread::sleep_for(Ms(300));
      return peer.die();
    }
    if (never_idle) return;
    // Nothing else is asked while the fetch polls, so the peer may wait here.
    std::this_thread::sleep_for(Ms(busy_ms));
    peer.event("S", "Network.loadingFinished", {{"requestId", "R"}});
    settled_at = now();
  }
};

struct PageRun {
  PageScript script;
  Pipe pipe{[this](FakeDevTools& peer, const json& c) { script.answer(peer, c); }};
  test::TempDir dir;
  std::atomic<bool> abort{false};
  TransferProgress progress;
  PageFetchLimits limits;

  PageRun() {
    limits.poll_ms = 5;
    limits.command_ms = 5000;
  }
  PageFetchResult fetch() {
    PageFetch f;
    f.url = "http://127.0.0.1:1/p";
    f.response_path = dir.file("htmltmp.txt");
    f.stop = {&abort, nullptr};
    f.progress = &progress;
    return fetch_page(*pipe.client, f, limits);
  }
  bool disposed() const {
    const auto cs = pipe.peer.commands();
    return !cs.empty() && cs.back()["method"] == "Target.disposeBrowserContext" &&
           cs.back()["params"]["browserContextId"] == "C";
  }
};

TEST(BrowserPage, ReadsTheSettledPageIntoTheResponseFile) {
  PageRun run;
  ASSERT_EQ(run.fetch(), PageFetchResult::kOk);
  EXPECT_EQ(read_file(run.dir.file("htmltmp.txt")).value_or(""),
            "HTTP/1.1 200 OK\nLast-Modified: 01/02/2026 03:04:05\n\n<html>\n<head>\n"
            "<meta http-equiv=Content-Type content=text/html; charset=utf-8>\n</head>\n"
            "<body><p>\xE6\x97\xA5 text</p></body></html>\n");
  EXPECT_EQ(run.pipe.peer.methods(),
            (std::vector<std::string>{"Target.createBrowserContext", "Target.createTarget",
                                      "Target.attachToTarget", "Page.enable", "Network.enable",
                                      "Page.navigate", "Runtime.evaluate",
                                      "Target.disposeBrowserContext"}));
  EXPECT_EQ(run.pipe.peer.commands()[5]["params"]["url"], "http://127.0.0.1:1/p");
  EXPECT_EQ(run.pipe.peer.commands()[5]["sessionId"], "S");
  EXPECT_TRUE(run.disposed());
  // A header line cannot be smuggled in through a redefined lastModified.
  EXPECT_EQ(browser_page_response("a\r\nX: y", "<body></body>").substr(0, 34),
            "HTTP/1.1 200 OK\nLast-Modified: a  ");
}

TEST(BrowserPage, ReadsOnlyAfterTwentyFiveIdlePollsInARow) {
  PageRun run;
  run.limits.poll_ms = 20;
  run.script.busy_ms = 100;
  ASSERT_EQ(run.fetch(), PageFetchResult::kOk);
  const long long waited = run.script.read_at - run.script.settled_at;
  // At least 24 full polls after the last busy one; not much beyond 25.
  EXPECT_GE(waited, 24 * 20);
  EXPECT_LT(waited, 26 * 20 + 400);
}

TEST(BrowserPage, PageThatNeverSettlesFailsAfterThePollLimit) {
  PageRun run;
  run.script.never_idle = true;
  run.limits.max_polls = 300;
  run.limits.poll_ms = 2;
  const auto t0 = Clock::now();
  EXPECT_EQ(run.fetch(), PageFetchResult::kFailed);
  EXPECT_GE(ms_since(t0), 300 * 2);
  EXPECT_LT(ms_since(t0), 1000 + 300 * 2);
  EXPECT_TRUE(run.disposed());
  EXPECT_EQ(run.progress.elapsed_seconds, 299 * 2 / 1000);
  EXPECT_FALSE(path_exists(run.dir.file("htmltmp.txt")));
}

TEST(BrowserPage, StopDuringTheIdleWaitEndsWithin200Ms) {
  PageRun run;
  run.limits = PageFetchLimits{};  // the real 200 ms polls
  run.script.never_idle = true;
  std::atomic<long long> stopped_at{0};
  std::thread stopper([&] {
    run.pipe.peer.wait_for("Page.navigate", 5000);
    std::this_thread::sleep_for(Ms(700));
    stopped_at = PageScript::now();
    run.abort = true;
  });
  EXPECT_EQ(run.fetch(), PageFetchResult::kStopped);
  const long long took = PageScript::now() - stopped_at;
  stopper.join();
  EXPECT_LT(took, 200);
  EXPECT_TRUE(run.disposed());  // also after a stop
}

TEST(BrowserPage, BrowserDyingMidFetchFailsAtOnce) {
  PageRun run;
  run.limits.poll_ms = 200;
  run.script.die_while_loading = true;
  const auto t0 = Clock::now();
  EXPECT_EQ(run.fetch(), PageFetchResult::kFailed);
  EXPECT_LT(ms_since(t0), 300 + 500);
}

TEST(BrowserPage, EveryFailureFailsTheFetchAndDisposesOfTheContext) {
  for (const char* step : {"Target.createTarget", "Target.attachToTarget", "Page.enable",
                           "Network.enable", "Page.navigate", "Runtime.evaluate"}) {
    PageRun run;
    run.script.fail = step;
    EXPECT_EQ(run.fetch(), PageFetchResult::kFailed) << step;
    EXPECT_TRUE(run.disposed()) << step;
  }
  PageRun refused;
  refused.script.navigate_error = "net::ERR_CONNECTION_REFUSED";
  EXPECT_EQ(refused.fetch(), PageFetchResult::kFailed);
  EXPECT_TRUE(refused.disposed());
  PageRun no_context;
  no_context.script.fail = "Target.createBrowserContext";
  EXPECT_EQ(no_context.fetch(), PageFetchResult::kFailed);
  EXPECT_EQ(no_context.pipe.peer.methods().size(), 1u);
}

TEST(BrowserComponent, WithoutABrowserOrWithOneThatDiesFetchesFailAtOnce) {
  test::TempDir dir;
  PageFetch f;
  f.url = "http://127.0.0.1:1/";
  f.response_path = dir.file("htmltmp.txt");
  BrowserComponentConfig none;
  none.work_folder = dir.path();
  EXPECT_EQ(BrowserComponent(none).fetch(f), PageFetchResult::kFailed);

  BrowserComponentConfig dying = none;
  dying.command = {"/bin/true"};
  BrowserComponent browser(dying);
  const auto t0 = Clock::now();
  EXPECT_EQ(browser.fetch(f), PageFetchResult::kFailed);
  EXPECT_EQ(browser.fetch(f), PageFetchResult::kFailed);
  EXPECT_LT(ms_since(t0), 2000);
  EXPECT_EQ(browser.browsers_started(), 2);  // the dead one was replaced
  browser.close();
  EXPECT_EQ(browser.browser_pid(), -1);
  EXPECT_EQ(scan_dir(dir.path()).size(), 0u) << "profile folders are removed";
}

}  // namespace
}  // namespace ks::net
