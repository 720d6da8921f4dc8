#include "progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "i18n.h"
#include "platform/sjis.h"

namespace ks::cli {
namespace {

int terminal_columns() {
  winsize ws{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

// Columns a character takes: East Asian wide and full-width characters two,
// everything else one.
int columns_of(char32_t cp) {
  const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                    (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                    (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                    (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
  return wide ? 2 : 1;
}

// The code point of the UTF-8 character at `i` and its length in bytes.
char32_t next_code_point(const std::string& utf8, std::size_t i, std::size_t& len) {
  const auto lead = static_cast<unsigned char>(utf8[i]);
  len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  char32_t cp = len == 1 ? lead : lead & (0x7F >> len);
  for (std::size_t k = 1; k < len && i + k < utf8.size(); ++k) {
    cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
  }
  return cp;
}

}  // namespace

std::string fit_columns(const std::string& utf8, int columns) {
  int used = 0;
  std::size_t i = 0;
  std::size_t fits = 0;  // bytes that fit with room for the ellipsis
  while (i < utf8.size()) {
    std::size_t len = 1;
    used += columns_of(next_code_point(utf8, i, len));
    if (used > columns) return utf8.substr(0, fits) + "\u2026";
    i += len;
    if (used <= columns - 1) fits = i;
  }
  return utf8;
}

int text_columns(const std::string& utf8) {
  int used = 0;
  for (std::size_t i = 0, len = 1; i < utf8.size(); i += len) {
    used += columns_of(next_code_point(utf8, i, len));
  }
  return used;
}

std::string progress_line(const check::CheckRun& run, int total, const PathMap& paths) {
  std::string line =
      "[" + std::to_string(run.counters().finished) + "/" + std::to_string(total) + "]";
  std::vector<std::pair<int, uint64_t>> transfers;  // (seconds, node)
  for (int s = 0; s < run.worker_count(); ++s) {
    if (run.tasks().state(s) != check::TaskState::kTransfer) continue;
    const check::TaskRecord t = run.tasks().snapshot(s);
    if (t.state == check::TaskState::kTransfer) {
      transfers.emplace_back(t.elapsed_seconds, t.settings.node_id);
    }
  }
  std::stable_sort(transfers.begin(), transfers.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::string waits;
  for (const auto& [seconds, node] : transfers) {
    auto it = paths.find(node);
    if (!waits.empty()) waits += ", ";
    waits += format(_("{1} {2}s"),
                    {it == paths.end() ? "?" : sjis_to_utf8(it->second), std::to_string(seconds)});
  }
  for (char& c : waits) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';  // nothing drives the terminal
  }
  if (!waits.empty()) line += " " + format(_("in transfer: {1}"), {waits});
  // One column is kept free so the cursor never wraps to a new line.
  return fit_columns(line, terminal_columns() - 1);
}

}  // namespace ks::cli
