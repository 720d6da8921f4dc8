// Turning fuzz input into item settings and texts for the comparison targets.
#pragma once

#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/fs.h"
#include "store/page_settings.h"

namespace ks::compare::fuzz {

class Input {
 public:
  Input(const uint8_t* data, std::size_t size) : s_(reinterpret_cast<const char*>(data), size) {}
  uint8_t byte() {
    if (s_.empty()) return 0;
    const auto b = static_cast<uint8_t>(s_[0]);
    s_.remove_prefix(1);
    return b;
  }
  // A short text: a length byte (mod 8) and that many bytes.
  std::string word() {
    const std::size_t n = std::min<std::size_t>(byte() % 8, s_.size());
    std::string w(s_.substr(0, n));
    s_.remove_prefix(n);
    return w;
  }
  // The rest up to a 0xFF 0xFF separator (or the end).
  std::string text() {
    const std::size_t sep = s_.find("\xff\xff");
    std::string t(s_.substr(0, sep));
    s_.remove_prefix(sep == std::string_view::npos ? s_.size() : sep + 2);
    return t;
  }

 private:
  std::string_view s_;
};

// Settings from the first bytes: every flag the comparison reads, short area
// texts and words. Regular expressions stay off (a random pattern may take
// exponential time in the library, which is not ours to fuzz).
inline store::PageSettings settings_from(Input& in) {
  store::PageSettings s;
  const uint8_t a = in.byte(), b = in.byte(), c = in.byte();
  s.ignore_number_diff = a & 1;
  s.ignore_url = (a >> 1) & 1;
  s.ignore_image_name = (a >> 2) & 1;
  s.ignore_space_only_line = (a >> 3) & 1;
  s.ignore_number_only_line = (a >> 4) & 1;
  s.ignore_no_japanese_line = (a >> 5) & 1;
  s.ignore_no_text = (a >> 6) & 1;
  s.ignore_only_outer_server = (a >> 7) & 1;
  s.get_link_only = b & 1;
  s.ignore_same_text = (b >> 1) & 1;
  s.save_context_use = (b >> 2) & 1;
  s.save_empty_line = (b >> 3) & 1;
  s.detect_deleted_lines = (b >> 4) & 1;
  s.ngarea_use = (b >> 5) & 1;
  s.check_areas[0].repeat = (b >> 6) & 1;
  s.check_areas[1].repeat = (b >> 7) & 1;
  s.use_old_log = c % 4;
  s.save_context_before = (c >> 2) % 4;
  s.save_context_after = (c >> 4) % 4;
  s.ngarea_before = (c >> 6) % 4;
  s.ngarea_after = (c >> 5) % 4;
  const uint8_t types = in.byte();
  for (std::size_t i = 0; i < 2; ++i) {
    s.check_areas[i].start_type = (types >> (4 * i)) & 1;
    s.check_areas[i].end_type = (types >> (4 * i + 1)) & 1;
    s.ignore_areas[i].start_type = (types >> (4 * i + 2)) & 1;
    s.ignore_areas[i].end_type = (types >> (4 * i + 3)) & 1;
    s.check_areas[i].start = in.word();
    s.check_areas[i].end = in.word();
    s.ignore_areas[i].start = in.word();
    s.ignore_areas[i].end = in.word();
  }
  s.ng_words[0] = in.word();
  s.ng_words[4] = in.word();
  s.ok_words[1] = in.word();
  s.url = "http://h" + in.word() + "/";
  return s;
}

// A private scratch folder for the process (an ASCII path), removed at exit.
// The name is kept in a plain array: atexit handlers run after the static
// objects of other files may already be gone.
inline char scratch_name[64];

inline void remove_scratch() {
  std::error_code ec;
  std::filesystem::remove_all(scratch_name, ec);
}

inline const std::string& scratch() {
  static const std::string dir = [] {
    std::snprintf(scratch_name, sizeof scratch_name, "/tmp/ks_fuzz_compare_XXXXXX");
    if (!mkdtemp(scratch_name)) std::abort();
    std::atexit(remove_scratch);
    return std::string(scratch_name);
  }();
  return dir;
}

}  // namespace ks::compare::fuzz
