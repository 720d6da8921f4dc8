#include "present/find_text.h"

namespace ks::present {
namespace {

// The last hit that ends at or before `limit`, scanning forward from 0.
std::optional<std::size_t> last_before(Pane& pane, std::string_view text, std::size_t limit) {
  std::optional<std::size_t> best;
  std::size_t from = 0;
  while (auto hit = pane.find(text, from)) {
    if (*hit + text.size() > limit) break;
    best = hit;
    from = *hit + 1;
  }
  return best;
}

}  // namespace

std::optional<PaneSelection> find_in_pane(Pane& pane, std::string_view text, FindDirection dir,
                                          bool continuing, const PaneSelection& selection) {
  if (text.empty()) return std::nullopt;
  std::optional<std::size_t> hit;
  if (dir == FindDirection::kForward) {
    const std::size_t from = continuing ? selection.start + 1 : 0;
    hit = pane.find(text, from);
    if (!hit && from > 0) hit = pane.find(text, 0);
  } else {
    const std::size_t none = static_cast<std::size_t>(-1);
    const std::size_t limit = continuing && selection.end > 0 ? selection.end - 1 : none;
    hit = last_before(pane, text, limit == none ? none : limit);
    if (!hit && limit != none) hit = last_before(pane, text, none);
  }
  if (!hit) return std::nullopt;
  return PaneSelection{*hit, *hit + text.size()};
}

}  // namespace ks::present
