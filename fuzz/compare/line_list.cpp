// The text loader on arbitrary bytes under arbitrary area and line settings:
// the list's invariants must hold for whatever the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "compare/diff_engine.h"
#include "compare/limits.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace ks::compare;
  fuzz::Input in(data, size);
  const ks::store::PageSettings settings = fuzz::settings_from(in);
  const std::string path = ks::path_join(fuzz::scratch(), "text.txt");
  ks::write_file_atomic(path, in.text());

  static TextLineList list;
  const LoadOutcome r = load_line_list(path, list, settings, CompareEnv{});
  if (!r.opened) std::abort();
  if (list.line_count() > kMaxLines || list.text_bytes() > kMaxTextBytes) std::abort();
  if (list.header().size() > kMaxHeaderLine) std::abort();
  int bytes = 0, previous = -1;
  for (int i = 0; i < list.line_count(); ++i) {
    const std::string_view l = list.line(i);
    if (l.find('\0') != std::string_view::npos) std::abort();
    if (!l.empty() && (l.back() == '\r' || l.back() == '\n')) std::abort();
    bytes += static_cast<int>(l.size()) + 1;
  }
  if (bytes != list.text_bytes()) std::abort();
  for (int i = 1; i <= list.compare_count(); ++i) {
    const int line = list.compare_line(i);
    if (line <= previous || line >= list.line_count() || list.line(line).empty()) std::abort();
    previous = line;
  }
  return 0;
}
