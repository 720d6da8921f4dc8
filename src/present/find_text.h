// Finding text in a pane ("検索" and "次を検索"): forward or backward from the
// current selection, wrapping around the ends once.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "present/pane.h"

namespace ks::present {

struct PaneSelection {
  std::size_t start = 0;
  std::size_t end = 0;
};

enum class FindDirection { kForward, kBackward };

// The text of the last find, repeated by "次を検索".
struct FindState {
  std::string text;
};

// Searches `pane` for `text`. Continuing forward starts one byte after the
// selection's start, backward one byte before its end; otherwise at the start
// or the end. When nothing lies that way the search wraps around once.
// Returns the hit as a selection; nullopt when the text is not in the pane.
std::optional<PaneSelection> find_in_pane(Pane& pane, std::string_view text, FindDirection dir,
                                          bool continuing, const PaneSelection& selection);

}  // namespace ks::present
