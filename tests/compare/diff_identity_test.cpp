// The engine must mark exactly the lines that the frozen copy of the original
// engine marks (diff_reference.h), not just some shortest script: stored
// results and the rule that a tie takes the deletion depend on the very
// script. Seeded random texts of the shapes where a faster search could
// drift: few distinct lines (many equal candidates), long shared heads and
// tails, nearly unrelated texts, lines that are equal only under the
// number / URL options, and texts that cross matrix block boundaries.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compare/diff_engine.h"
#include "compare/line_list.h"
#include "compare/matrix.h"
#include "diff_reference.h"

namespace ks::compare {
namespace {

using Text = std::vector<std::string>;

// Stores the lines; every line with `skip` set is stored but left out of the
// comparison, so compare numbers and line numbers differ.
void fill(TextLineList& list, const Text& lines, const std::vector<bool>& skip) {
  list.clear();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    list.append(lines[i]);
    if (!skip[i]) list.add_compare(list.line_count() - 1);
  }
}

std::vector<uint8_t> states(const TextLineList& list) {
  std::vector<uint8_t> out;
  for (int i = 0; i < list.line_count(); ++i) out.push_back(list.state(i));
  return out;
}

class Checker {
 public:
  // Diffs old/new with the engine and with the reference; both must give the
  // same distance and the same marks on every line.
  void check(const Text& a, const Text& b, LineEquality eq, std::mt19937& rng,
             const std::string& what) {
    std::vector<bool> sa(a.size()), sb(b.size());
    if (rng() % 4 == 0) {
      for (std::size_t i = 0; i < a.size(); ++i) sa[i] = rng() % 8 == 0;
      for (std::size_t i = 0; i < b.size(); ++i) sb[i] = rng() % 8 == 0;
    }
    fill(o_, a, sa);
    fill(n_, b, sb);
    fill(ro_, a, sa);
    fill(rn_, b, sb);
    const int slot = slots_.claim();
    ASSERT_GE(slot, 0);
    const int d = shortest_edit(o_, n_, eq, slots_, slot, env_);
    if (d >= 0) mark_changes(o_, n_, slots_, slot);
    slots_.release(slot);
    const int rd = reference::diff(ro_, rn_, eq);
    ASSERT_EQ(d, rd) << what;
    ASSERT_EQ(states(o_), states(ro_)) << what << " (old side)";
    ASSERT_EQ(states(n_), states(rn_)) << what << " (new side)";
    ++cases_;
  }
  int cases() const { return cases_; }

 private:
  MatrixSlots slots_;
  CompareEnv env_;
  TextLineList o_, n_, ro_, rn_;
  int cases_ = 0;
};

std::string symbol(int s) {
  return "line " + std::to_string(s);
}

Text random_text(std::mt19937& rng, int len, int alphabet, int first = 0) {
  Text out(static_cast<std::size_t>(len));
  for (auto& s : out) s = symbol(first + static_cast<int>(rng() % static_cast<unsigned>(alphabet)));
  return out;
}

Text edited(std::mt19937& rng, Text t, int edits, int alphabet) {
  for (int e = 0; e < edits; ++e) {
    const std::size_t p = rng() % (t.size() + 1);
    const unsigned op = rng() % 3;
    if (op == 0 && p < t.size()) {
      t.erase(t.begin() + static_cast<std::ptrdiff_t>(p));
    } else if (op == 1 && p < t.size()) {
      t[p] = symbol(static_cast<int>(rng() % static_cast<unsigned>(alphabet)));
    } else {
      t.insert(t.begin() + static_cast<std::ptrdiff_t>(p),
               symbol(static_cast<int>(rng() % static_cast<unsigned>(alphabet))));
    }
  }
  return t;
}

std::string mode_name(LineEquality eq) {
  return std::string(eq.ignore_number ? "number " : "") + (eq.ignore_url ? "url " : "");
}

TEST(DiffIdentity, SmallAlphabetsAndEdits) {
  std::mt19937 rng(4101);
  Checker c;
  for (int round = 0; round < 12000; ++round) {
    const int alphabet = 1 + static_cast<int>(rng() % 6);
    const Text a = random_text(rng, static_cast<int>(rng() % 50), alphabet);
    const Text b = round % 3 == 0 ? random_text(rng, static_cast<int>(rng() % 50), alphabet)
                                  : edited(rng, a, static_cast<int>(rng() % 12), alphabet);
    c.check(a, b, LineEquality{}, rng, "round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
}

TEST(DiffIdentity, SharedHeadsAndTails) {
  std::mt19937 rng(4102);
  Checker c;
  for (int round = 0; round < 1500; ++round) {
    const int alphabet = 2 + static_cast<int>(rng() % 30);
    const Text head = random_text(rng, static_cast<int>(rng() % 200), alphabet);
    const Text tail = random_text(rng, static_cast<int>(rng() % 200), alphabet);
    const Text mid = random_text(rng, static_cast<int>(rng() % 30), alphabet);
    Text a = head, b = head;
    a.insert(a.end(), mid.begin(), mid.end());
    const Text mid_b = round % 2 ? edited(rng, mid, 1 + static_cast<int>(rng() % 6), alphabet)
                                 : random_text(rng, static_cast<int>(rng() % 30), alphabet);
    b.insert(b.end(), mid_b.begin(), mid_b.end());
    a.insert(a.end(), tail.begin(), tail.end());
    b.insert(b.end(), tail.begin(), tail.end());
    c.check(a, b, LineEquality{}, rng, "round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
}

TEST(DiffIdentity, NearlyUnrelatedTexts) {
  std::mt19937 rng(4103);
  Checker c;
  for (int round = 0; round < 1500; ++round) {
    // Disjoint symbols, then a few lines copied from one text into the other.
    Text a = random_text(rng, static_cast<int>(rng() % 120), 1 + static_cast<int>(rng() % 10));
    Text b = random_text(rng, static_cast<int>(rng() % 120), 1 + static_cast<int>(rng() % 10), 12);
    const int shared = static_cast<int>(rng() % 4);
    for (int s = 0; s < shared && !a.empty() && !b.empty(); ++s) {
      b[rng() % b.size()] = a[rng() % a.size()];
    }
    c.check(a, b, LineEquality{}, rng, "round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
}

// Lines built from the same symbols but with spaces, digits and marked URL
// spans that only some options skip.
TEST(DiffIdentity, LinesEqualOnlyUnderTheOptions) {
  std::mt19937 rng(4104);
  Checker c;
  auto decorate = [&](const std::string& s) {
    std::string out;
    for (char ch : s) {
      if (rng() % 4 == 0) out += ' ';
      if (rng() % 5 == 0) out += static_cast<char>('0' + rng() % 3);
      if (rng() % 9 == 0) out += rng() % 2 ? "\x01u" + std::to_string(rng() % 3) + "\x03" : "\x02x";
      out += ch;
    }
    return out;
  };
  for (int round = 0; round < 4000; ++round) {
    const int alphabet = 1 + static_cast<int>(rng() % 4);
    Text a = random_text(rng, static_cast<int>(rng() % 40), alphabet);
    Text b = edited(rng, a, static_cast<int>(rng() % 8), alphabet);
    for (auto& s : a) s = decorate(s);
    for (auto& s : b) s = decorate(s);
    const LineEquality eq{(round & 1) != 0, (round & 2) != 0};
    c.check(a, b, eq, rng, mode_name(eq) + "round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
}

TEST(DiffIdentity, TextsAcrossBlockBoundaries) {
  std::mt19937 rng(4105);
  Checker c;
  for (int round = 0; round < 12; ++round) {
    const int len = 450 + static_cast<int>(rng() % 1200);
    const int alphabet = round % 3 == 0 ? 3 : 400;
    const Text a = random_text(rng, len, alphabet);
    Text b;
    if (round % 4 == 3) {
      // Unrelated but for one common line: the search covers the whole grid.
      b = random_text(rng, len + static_cast<int>(rng() % 100), alphabet, 500);
      b[b.size() / 2] = a[a.size() / 3];
    } else {
      b = edited(rng, a, 5 + static_cast<int>(rng() % 300), alphabet);
    }
    c.check(a, b, LineEquality{}, rng, "round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace ks::compare
