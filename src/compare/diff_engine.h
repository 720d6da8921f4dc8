// The line diff: loads the previous text and the new text into line lists
// (keeping only the lines the item's check areas select), finds a shortest
// edit script between their compare lines with Myers' O(ND) method, and marks
// the added lines of the new list and the deleted lines of the old list as
// reported (state 0).
#pragma once

#include <string_view>

#include "compare/compare_task.h"
#include "compare/line_equal.h"
#include "compare/line_list.h"

namespace ks::compare {

struct LoadOutcome {
  bool opened = false;
  bool found = false;  // some line was inside the check areas
};

// Loads `path` into `list` under the item's area and blank-line rules.
LoadOutcome load_line_list(std::string_view path, TextLineList& list,
                           const store::PageSettings& settings, const CompareEnv& env);

LineEquality equality_of(const store::PageSettings& settings);

// Runs the diff on the compare lines of two loaded lists, recording moves in
// the claimed slot. Returns the edit distance D, or -1 when the diagonal
// array cannot be allocated or the run is stopped.
int shortest_edit(const TextLineList& old_list, const TextLineList& new_list, LineEquality eq,
                  MatrixSlots& slots, int slot, const CompareEnv& env);

// Walks the recorded moves back from the end and marks the changed lines.
void mark_changes(TextLineList& old_list, TextLineList& new_list, const MatrixSlots& slots,
                  int slot);

enum class EngineResult : int {
  kDiffed = 0,       // the diff ran (or could not start: no free slot)
  kOneSided = 1,     // a side without compare lines, or the diff failed
  kOpenFailed = 2,   // a file could not be opened
  kAreaNotFound = 3  // the new text never entered a check area
};

EngineResult run_diff_engine(std::string_view old_path, std::string_view new_path,
                             TextLineList& old_list, TextLineList& new_list,
                             const store::PageSettings& settings, const CompareEnv& env);

}  // namespace ks::compare
