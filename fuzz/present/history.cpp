// history.db reader: any bytes give at most 100 entries with non-empty titles
// and URLs within their limits, and the saved form reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "present/history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ks::present::HistoryList list = ks::present::HistoryList::parse(bytes);
  auto check = [](const ks::present::HistoryList& l) {
    if (l.entries().size() > ks::present::kHistoryMax) std::abort();
    for (const auto& e : l.entries()) {
      if (e.url.empty() || e.title.empty()) std::abort();
      if (e.url.size() > ks::present::kHistoryUrlMax) std::abort();
      if (e.title.size() > ks::present::kHistoryTitleMax) std::abort();
      if (e.length != e.url.size()) std::abort();
    }
  };
  check(list);
  const auto again = ks::present::HistoryList::parse(list.serialize());
  check(again);
  if (again.entries().size() != list.entries().size()) std::abort();
  for (std::size_t i = 0; i < again.entries().size(); ++i) {
    if (again.entries()[i].url != list.entries()[i].url) std::abort();
    if (again.entries()[i].title != list.entries()[i].title) std::abort();
  }
  // Adding the first half of the input as a link keeps the list sound.
  const std::string_view half = bytes.substr(0, size / 2);
  list.add(half, bytes.substr(size / 2));
  check(list);
  if (!list.entries().empty() && !list.is_opened(list.entries().front().url)) std::abort();
  return 0;
}
