// The channel from a run to its front end, driven the way a front end
// drives it: a queue drained on a thread of its own (the "UI thread"),
// displays composed on the workers and applied on the draining thread,
// stops in the middle, the next run started from the run-ended handler, a
// run destroyed while its events wait. Also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <variant>

#include "check_fixture.h"
#include "present/run_display.h"
#include "support/recording_pane.h"

namespace ks::test {
namespace {

using testing::RecordingPane;

// A data folder of `count` items on the scripted server, each page
// different on every request so every run has something to show.
struct ChannelBench : CheckBench {
  explicit ChannelBench(int count) {
    ScriptedResponse page = ScriptedResponse::whole(html_answer(page_of({"line", "another line"})));
    server.on_default(page);
    for (int i = 0; i < count; ++i) add_item("i" + std::to_string(i) + ".dat", url("/p"));
    scan();
  }
};

// The front end's thread: applies every event of the current run to three
// panes; on RunEnded it completes the session and, while `more_runs` is
// above zero, starts the next run right there.
struct FrontEnd {
  explicit FrontEnd(ChannelBench& b) : bench(b), composer(b.options) {}

  void drain_until_done() {
    while (!done) {
      auto e = queue.wait_pop(100);
      if (!e) continue;
      if (e->run_id != session->run().run_id()) continue;
      if (auto* item = std::get_if<check::ItemFinished>(&e->body)) {
        ++items;
        present::apply_display(item->display, panes);
        if (stop_after > 0 && items == stop_after) session->stop();
      } else if (std::holds_alternative<check::RunEnded>(e->body)) {
        completions.push_back(session->complete());
        if (more_runs-- > 0) {
          ASSERT_TRUE(session->start(bench.tree.root(), check::CheckKind::kSelected, bench.options,
                                     bench.app.app()));
        } else {
          done = true;
        }
      }
    }
  }

  ChannelBench& bench;
  present::RunDisplayComposer composer;
  check::RunEventQueue queue;
  std::unique_ptr<check::CheckSession> session =
      std::make_unique<check::CheckSession>(bench.tree, queue, &composer, bench.methods);
  RecordingPane all, errors, single;
  present::RunPanes panes{{&all, &errors, &single}};
  int items = 0;
  int stop_after = 0;
  int more_runs = 0;
  bool done = false;
  std::vector<check::RunCompletion> completions;
};

TEST(RunChannel, ManyItemsAStopAndRunsStartedFromTheEndHandler) {
  ChannelBench b(80);
  FrontEnd ui(b);
  ui.stop_after = 20;  // the first run is stopped in the middle
  ui.more_runs = 2;    // then two more runs, each started by the end handler
  ASSERT_TRUE(
      ui.session->start(b.tree.root(), check::CheckKind::kSelected, b.options, b.app.app()));
  std::thread front([&] { ui.drain_until_done(); });
  front.join();
  ASSERT_EQ(ui.completions.size(), 3u);
  EXPECT_TRUE(ui.completions[0].stopped);
  EXPECT_LT(ui.completions[0].counters.finished, 80);
  EXPECT_EQ(ui.completions[1].counters.finished, 80);
  EXPECT_EQ(ui.completions[2].counters.finished, 80);
  // Every item of the two runs that went to the end was shown, as
  // initialised or unchanged: one "■" line each.
  auto items_shown = [](RecordingPane& p) {
    const std::string text = p.utf8();
    std::size_t n = 0;
    for (std::size_t at = text.find("■"); at != std::string::npos; at = text.find("■", at + 1)) {
      ++n;
    }
    return n;
  };
  EXPECT_GE(items_shown(ui.all) + items_shown(ui.errors), 160u);
}

TEST(RunChannel, ARunDestroyedWithEventsPendingLeavesThemWhole) {
  ChannelBench b(40);
  present::RunDisplayComposer composer(b.options);
  check::RunEventQueue queue;
  {
    check::CheckRun run(b.tree, queue, &composer, b.methods);
    check::RunConfig config = check::RunConfig::from_options(b.options);
    config.start = b.tree.root();
    config.base_folder = b.app.app();
    ASSERT_TRUE(run.start(config));
    // Nobody drains: wait for some events, then destroy the run.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (queue.size() < 10 && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // The run is gone; its events are values that can still be applied.
  RecordingPane all, errors, single;
  present::RunPanes panes{{&all, &errors, &single}};
  bool ended = false;
  std::size_t items = 0;
  while (auto e = queue.try_pop()) {
    if (auto* item = std::get_if<check::ItemFinished>(&e->body)) {
      ++items;
      present::apply_display(item->display, panes);
    }
    if (std::holds_alternative<check::RunEnded>(e->body)) ended = true;
  }
  EXPECT_TRUE(ended);
  EXPECT_GE(items, 9u);
  EXPECT_NE(all.utf8().find("初期化しました。"), std::string::npos);
}

}  // namespace
}  // namespace ks::test
