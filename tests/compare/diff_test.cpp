// The line diff and the comparison step on real files.
#include <atomic>
#include <filesystem>
#include <thread>

#include "compare/diff_engine.h"
#include "compare/limits.h"
#include "compare/line_equal.h"
#include "compare/matrix.h"
#include "compare_fixture.h"
#include "platform/sjis.h"

namespace ks::compare::test {
namespace {

using DiffStep = CompareFixture;

TEST_F(DiffStep, IdenticalTextsAreNoChange) {
  write_old({"a", "b", "c"});
  write_new({"a", "b", "c"});
  EXPECT_EQ(run(), CheckStatus::kNoChange);
  EXPECT_FALSE(path_exists(out("add")));
}

TEST_F(DiffStep, MissingLogIsFirstCheck) {
  write_new({"a"});
  EXPECT_EQ(run(), CheckStatus::kInitialized);
  EXPECT_EQ(task_.log_number, 0);
}

TEST_F(DiffStep, ReportsAddedLinesWithHeader) {
  write_old({"a", "b", "c"});
  write_new({"a", "x", "b", "c", "y"});
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"x", "y"}));
  EXPECT_EQ(read_lines(out("add"))[0], "Last-Modified: x");
  EXPECT_FALSE(path_exists(out("del")));
}

TEST_F(DiffStep, DeletedLinesOnlyWithDetectDeleted) {
  write_old({"a", "b", "c"});
  write_new({"a", "c"});
  EXPECT_EQ(run(), CheckStatus::kNoChange);
  settings().detect_deleted_lines = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(deleted(), (Lines{"b"}));
  EXPECT_EQ(added(), Lines{});
}

TEST_F(DiffStep, EmptyOldLogReportsEveryNewLine) {
  write_old({});
  write_new({"a", "", "b"});
  settings().detect_deleted_lines = 1;
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), (Lines{"a", "b"}));
  EXPECT_EQ(deleted(), Lines{});
}

TEST_F(DiffStep, UsesTheCurrentLogNumber) {
  write_file_atomic(dir_.file("result.db"), "[INDEX]\r\nCURRENT=7\r\n");
  write_old({"a"}, 0);
  write_new({"a"});
  EXPECT_EQ(run(), CheckStatus::kInitialized);
  EXPECT_EQ(task_.log_number, 7);
  write_old({"a"}, 7);
  EXPECT_EQ(run(), CheckStatus::kNoChange);
}

TEST_F(DiffStep, AreaNeverEnteredIsStatusFive) {
  settings().check_areas[0].start = "START";
  write_old({"START", "a"});
  write_new({"nothing", "here"});
  EXPECT_EQ(run(), CheckStatus::kAreaNotFound);
  write_new({});
  EXPECT_EQ(run(), CheckStatus::kAreaNotFound);
  settings().check_areas[0].start.clear();
  settings().ignore_areas[1].start = "IGN";
  EXPECT_EQ(run(), CheckStatus::kAreaNotFound);  // an empty text with an ignored area
}

TEST_F(DiffStep, StoppedRunIsNoChange) {
  write_old({"a"});
  write_new({"b"});
  task_.env.stopped = [] { return true; };
  EXPECT_EQ(run(), CheckStatus::kNoChange);
  EXPECT_FALSE(path_exists(out("add")));
}

TEST_F(DiffStep, CutsAtTwentyThousandLines) {
  Lines old_lines, new_lines;
  for (int i = 0; i < kMaxLines; ++i) old_lines.push_back("l" + std::to_string(i));
  new_lines = old_lines;
  new_lines.push_back("line 20001 is never loaded");
  write_old(old_lines);
  write_new(new_lines);
  EXPECT_EQ(run(), CheckStatus::kNoChange);
  new_lines[kMaxLines - 1] = "changed";
  write_new(new_lines);
  EXPECT_EQ(run(), CheckStatus::kChanged);
  EXPECT_EQ(added(), Lines{"changed"});
}

TEST_F(DiffStep, FirstLineIsNeverAText) {
  write_file_atomic(dir_.file("log0.txt"), "plain first\r\na\r\n");
  write_file_atomic(dir_.file("new.txt"), "other first\r\na\r\n");
  EXPECT_EQ(run(), CheckStatus::kNoChange);
}

TEST_F(DiffStep, StopInsideTheDiffIsNoChange) {
  MatrixSlots slots;
  task_.env.slots = &slots;
  write_old({"a"});
  write_new({"b"});
  // A run stopped inside the diff takes the failure path; the notice is then
  // not written because the step itself sees the stop.
  int calls = 0;
  task_.env.stopped = [&calls] { return ++calls > 1; };
  EXPECT_EQ(run(), CheckStatus::kNoChange);
}

TEST(DiffEngine, FailedDiffReplacesNewTextByNotice) {
  ks::test::TempDir dir;
  write_file_atomic(dir.file("old.txt"), "h\r\na\r\nc\r\n");
  write_file_atomic(dir.file("new.txt"), "Last-Modified: y\r\nb\r\nc\r\n");
  TextLineList o, n;
  store::PageSettings s;
  CompareEnv env;
  int calls = 0;
  env.stopped = [&calls] { return ++calls > 0; };  // fails inside the diff
  EXPECT_EQ(run_diff_engine(dir.file("old.txt"), dir.file("new.txt"), o, n, s, env),
            EngineResult::kOneSided);
  ASSERT_EQ(n.line_count(), 1);
  EXPECT_EQ(n.line(0), KS_SJ("違いが大きすぎます。"));
  EXPECT_TRUE(n.reported(0));
  EXPECT_EQ(n.header(), "Last-Modified: y");
}

TEST(DiffEngine, UnrelatedTextsReportEverything) {
  TextLineList o, n;
  for (int i = 0; i < 1200; ++i) {
    o.append("old " + std::to_string(i));
    o.add_compare(i);
  }
  for (int i = 0; i < 700; ++i) {
    n.append("new " + std::to_string(i));
    n.add_compare(i);
  }
  MatrixSlots slots;
  const int slot = slots.claim();
  EXPECT_EQ(shortest_edit(o, n, LineEquality{}, slots, slot, CompareEnv{}), 1900);
  mark_changes(o, n, slots, slot);
  EXPECT_EQ(o.reported_count(), 1200);
  EXPECT_EQ(n.reported_count(), 700);
  slots.release(slot);
}

TEST(DiffEngine, AllSlotsBusyLoadsNothing) {
  MatrixSlots slots;
  std::vector<int> held;
  for (int i = 0; i < kMatrixSlots; ++i) held.push_back(slots.claim());
  EXPECT_EQ(slots.claim(), -1);
  TextLineList o, n;
  store::PageSettings s;
  CompareEnv env;
  env.slots = &slots;
  EXPECT_EQ(run_diff_engine("/nonexistent/a", "/nonexistent/b", o, n, s, env),
            EngineResult::kDiffed);
  EXPECT_EQ(n.line_count(), 0);
  slots.release(5);
  EXPECT_EQ(slots.claim(), 5);  // the lowest free slot
}

TEST(DiffEngine, OpenFailureIsResultTwo) {
  ks::test::TempDir dir;
  write_file_atomic(dir.file("old.txt"), "h\r\na\r\n");
  TextLineList o, n;
  store::PageSettings s;
  EXPECT_EQ(run_diff_engine(dir.file("old.txt"), dir.file("missing.txt"), o, n, s, CompareEnv{}),
            EngineResult::kOpenFailed);
}

TEST(DiffEngine, TieTakesTheDeletion) {
  // Old "a", new "b": both moves reach the same furthest point; the deletion
  // is taken first, so the script reads delete a, then add b.
  ks::test::TempDir dir;
  write_file_atomic(dir.file("o.txt"), "h\r\na\r\nc\r\n");
  write_file_atomic(dir.file("n.txt"), "h\r\nb\r\nc\r\n");
  TextLineList o, n;
  store::PageSettings s;
  MatrixSlots slots;
  CompareEnv env;
  env.slots = &slots;
  load_line_list(dir.file("o.txt"), o, s, env);
  load_line_list(dir.file("n.txt"), n, s, env);
  const int slot = slots.claim();
  EXPECT_EQ(shortest_edit(o, n, LineEquality{}, slots, slot, env), 2);
  // (1, 0) is reached by deleting "a"; (1, 1) from there by adding "b".
  EXPECT_EQ(slots.read(slot, 1, 0), 2);
  EXPECT_EQ(slots.read(slot, 1, 1), 1);
  mark_changes(o, n, slots, slot);
  EXPECT_TRUE(o.reported(0));
  EXPECT_TRUE(n.reported(0));
  EXPECT_FALSE(n.reported(1));
  slots.release(slot);
}

TEST(DiffEngine, LostBlocksReadAsMatches) {
  MatrixSlots slots;
  const int slot = slots.claim();
  slots.set_block_limit(1);
  slots.write(slot, 600, 10, 2);  // block (1, 0) cannot be allocated
  EXPECT_EQ(slots.read(slot, 600, 10), -1);
  slots.write(slot, 20500, 0, 1);  // outside the table
  EXPECT_EQ(slots.read(slot, 20500, 0), -1);
  slots.write(slot, 499, 499, 3);
  EXPECT_EQ(slots.read(slot, 499, 499), 3);
  EXPECT_EQ(slots.blocks(slot), 1u);
  slots.release(slot);
  EXPECT_EQ(slots.read(slot, 499, 499), -1);
}

TEST(MatrixSlots, ClaimsFromManyThreads) {
  MatrixSlots slots;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        SlotLease lease(slots);
        if (!lease.ok()) {
          ++failures;
          continue;
        }
        slots.write(lease.slot(), i, i, 3);
        if (slots.read(lease.slot(), i, i) != 3) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  for (int i = 0; i < kMatrixSlots; ++i) EXPECT_FALSE(slots.in_use(i));
}

struct EqCase {
  const char* a;
  const char* b;
  bool number, url, equal;
};

TEST(LineEquality, Table) {
  const EqCase cases[] = {
      {"1 2", "12", false, false, true},
      {"1 2", "12", true, false, true},
      {"a\tb", "ab", false, false, false},
      {"10 items", "12 items", false, false, false},
      {"10 items", "12 items", true, false, true},
      {"x\x01u1\x03y", "x\x01u2\x03y", false, false, false},
      {"x\x01u1\x03y", "x\x01u2\x03y", false, true, true},
      {"x\x02img", "x", false, true, true},  // an unclosed span runs to the end
      {"ab", "abc", false, false, false},
      {"", "   ", false, false, true},
      {"", "   ", true, true, true},
  };
  for (const EqCase& c : cases) {
    LineEquality m{c.number, c.url};
    EXPECT_EQ(lines_equal(c.a, c.b, m), c.equal) << c.a << " / " << c.b;
    if (c.equal) {
      EXPECT_EQ(line_hash(c.a, m), line_hash(c.b, m));
    }
  }
}

TEST_F(DiffStep, IgnoreUrlMakesLinkTargetsEqual) {
  write_old({"<a href=\"http://a/1\">News</a>"});
  write_new({"<a href=\"http://a/2\">News</a>"});
  EXPECT_EQ(run(), CheckStatus::kChanged);
  settings().ignore_url = 1;
  std::filesystem::remove(out("add"));
  EXPECT_EQ(run(), CheckStatus::kNoChange);
  write_new({"<a href=\"http://a/2\">Sports</a>"});
  EXPECT_EQ(run(), CheckStatus::kChanged);
  // The quotes come back in the written line.
  EXPECT_EQ(added(), Lines{"<a href=\"http://a/2\">Sports</a>"});
}

TEST_F(DiffStep, IgnoreNumberDiff) {
  write_old({"10 items"});
  write_new({"12 items"});
  EXPECT_EQ(run(), CheckStatus::kChanged);
  settings().ignore_number_diff = 1;
  EXPECT_EQ(run(), CheckStatus::kNoChange);
}

TEST_F(DiffStep, SpaceOnlyLinesDroppedWhenAsked) {
  settings().ignore_space_only_line = 1;
  write_old({"a", "b"});
  write_new({"a", " \t", "\x81\x40", "b"});
  EXPECT_EQ(run(), CheckStatus::kNoChange);
}

}  // namespace
}  // namespace ks::compare::test
