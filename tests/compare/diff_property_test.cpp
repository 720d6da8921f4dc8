// The diff is exact: on thousands of random pairs of texts the marked lines
// form a shortest edit script. The distance is checked against an
// independent dynamic program (longest common subsequence), and applying the
// script (dropping the deleted old lines and the added new lines) must leave
// the same sequence on both sides.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compare/diff_engine.h"
#include "compare/line_list.h"
#include "compare/matrix.h"

namespace ks::compare {
namespace {

int lcs_distance(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::vector<int>> l(a.size() + 1, std::vector<int>(b.size() + 1, 0));
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      l[i][j] = a[i - 1] == b[j - 1] ? l[i - 1][j - 1] + 1 : std::max(l[i - 1][j], l[i][j - 1]);
    }
  }
  return static_cast<int>(a.size() + b.size()) - 2 * l[a.size()][b.size()];
}

void fill(TextLineList& list, const std::vector<std::string>& lines) {
  list.clear();
  for (const auto& s : lines) {
    list.append(s);
    list.add_compare(list.line_count() - 1);
  }
}

std::vector<std::string> kept(const TextLineList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.line_count(); ++i) {
    if (!list.reported(i)) out.emplace_back(list.line(i));
  }
  return out;
}

std::vector<std::string> random_text(std::mt19937& rng, int max_len, int alphabet) {
  std::uniform_int_distribution<int> len(0, max_len), sym(0, alphabet - 1);
  std::vector<std::string> out(static_cast<std::size_t>(len(rng)));
  for (auto& s : out) s = std::string(1, static_cast<char>('a' + sym(rng)));
  return out;
}

// Old and new as random texts, or new as a few random edits of old.
std::vector<std::string> edited(std::mt19937& rng, std::vector<std::string> t, int alphabet) {
  std::uniform_int_distribution<int> edits(0, 6), sym(0, alphabet - 1);
  for (int e = edits(rng); e > 0; --e) {
    std::uniform_int_distribution<std::size_t> pos(0, t.size());
    const std::size_t p = pos(rng);
    if (rng() % 2 && p < t.size()) {
      t.erase(t.begin() + static_cast<std::ptrdiff_t>(p));
    } else {
      t.insert(t.begin() + static_cast<std::ptrdiff_t>(p),
               std::string(1, static_cast<char>('a' + sym(rng))));
    }
  }
  return t;
}

TEST(DiffProperty, MarkedLinesFormAShortestEditScript) {
  std::mt19937 rng(20261207);
  MatrixSlots slots;
  CompareEnv env;
  TextLineList o, n;
  for (int round = 0; round < 5000; ++round) {
    const int alphabet = 2 + static_cast<int>(rng() % 6);
    const auto a = random_text(rng, 1 + static_cast<int>(rng() % 40), alphabet);
    const auto b = round % 2 ? edited(rng, a, alphabet) : random_text(rng, 40, alphabet);
    fill(o, a);
    fill(n, b);
    const int slot = slots.claim();
    ASSERT_GE(slot, 0);
    const int d = shortest_edit(o, n, LineEquality{}, slots, slot, env);
    mark_changes(o, n, slots, slot);
    slots.release(slot);

    const int expected = lcs_distance(a, b);
    ASSERT_EQ(d, expected) << "round " << round;
    const int marked = (o.line_count() - static_cast<int>(kept(o).size())) +
                       (n.line_count() - static_cast<int>(kept(n).size()));
    ASSERT_EQ(marked, expected) << "round " << round;
    ASSERT_EQ(kept(o), kept(n)) << "round " << round;
  }
}

TEST(DiffProperty, LongTextsAcrossBlockBoundaries) {
  // Texts of a few thousand lines put the path through several cell blocks.
  std::mt19937 rng(7);
  MatrixSlots slots;
  CompareEnv env;
  TextLineList o, n;
  for (int round = 0; round < 4; ++round) {
    std::vector<std::string> a;
    for (int i = 0; i < 1000 + round * 300; ++i) a.push_back("line " + std::to_string(rng() % 500));
    std::vector<std::string> b = a;
    for (int e = 0; e < 60; ++e) {
      const std::size_t p = rng() % b.size();
      if (e % 2) {
        b.erase(b.begin() + static_cast<std::ptrdiff_t>(p));
      } else {
        b.insert(b.begin() + static_cast<std::ptrdiff_t>(p), "new " + std::to_string(e));
      }
    }
    fill(o, a);
    fill(n, b);
    const int slot = slots.claim();
    const int d = shortest_edit(o, n, LineEquality{}, slots, slot, env);
    mark_changes(o, n, slots, slot);
    slots.release(slot);
    ASSERT_EQ(d, lcs_distance(a, b));
    ASSERT_EQ(kept(o), kept(n));
    ASSERT_EQ(o.reported_count() + n.reported_count(), d);
  }
}

}  // namespace
}  // namespace ks::compare
