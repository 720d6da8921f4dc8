#include "recording_pane.h"

namespace ks::testing {

std::string mark_links(const std::string& sjis_text, std::size_t base_offset,
                       const std::vector<present::PaneLink>& links) {
  std::string out;
  std::size_t at = 0;
  for (const present::PaneLink& link : links) {
    const std::size_t start = link.start - base_offset;
    if (start < at || start + link.length > sjis_text.size()) continue;
    out += sjis_to_utf8(sjis_text.substr(at, start - at));
    std::string target = link.target;
    if (!target.empty() && target[0] == present::kItemSettingsMark) target[0] = '#';
    out += "[" + sjis_to_utf8(sjis_text.substr(start, link.length)) + "](" + sjis_to_utf8(target) +
           ")";
    at = start + link.length;
  }
  return out + sjis_to_utf8(sjis_text.substr(at));
}

std::vector<std::pair<std::size_t, std::size_t>> attribute_runs(const std::vector<uint8_t>& attrs,
                                                                std::size_t base_offset,
                                                                uint8_t bit) {
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  for (std::size_t i = 0; i < attrs.size(); ++i) {
    if (!(attrs[i] & bit)) continue;
    if (!runs.empty() && runs.back().second == base_offset + i) {
      ++runs.back().second;
    } else {
      runs.emplace_back(base_offset + i, base_offset + i + 1);
    }
  }
  return runs;
}

}  // namespace ks::testing
