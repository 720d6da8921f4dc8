// A loaded text (the previous log or the new page text) as the comparison sees
// it: at most kMaxLines lines and kMaxTextBytes bytes of stored text, the
// header line kept apart, the lines that take part in the comparison listed in
// the compare index, and one state byte per line (0 reported, 1 not).
//
// A list is a plain value owned by one comparison; not shared between threads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ks::compare {

inline constexpr uint8_t kReported = 0;
inline constexpr uint8_t kNotReported = 1;

class TextLineList {
 public:
  TextLineList();

  // Empties everything (header, lines, compare index).
  void clear();

  // Stores one more line (cut at its first NUL); false, with nothing stored,
  // when the line or byte capacity is exhausted.
  bool append(std::string_view line, uint8_t state = kNotReported);
  // Adds line number `line` (which must be stored) to the compare index.
  void add_compare(int line) { compare_.push_back(line); }

  const std::string& header() const { return header_; }
  void set_header(std::string_view h) { header_.assign(h); }

  int line_count() const { return static_cast<int>(refs_.size()); }
  int text_bytes() const { return text_bytes_; }
  int compare_count() const { return static_cast<int>(compare_.size()) - 1; }
  // Line number of compare line i, 1 <= i <= compare_count().
  int compare_line(int i) const { return compare_[static_cast<std::size_t>(i)]; }

  std::string_view line(int i) const {
    const Ref& r = refs_[static_cast<std::size_t>(i)];
    return std::string_view(text_.data() + r.start, r.length);
  }
  // The bytes of line i for rewriting in place (never longer).
  char* line_data(int i) { return text_.data() + refs_[static_cast<std::size_t>(i)].start; }
  // Cuts line i to `length` bytes (no longer than it is).
  void shorten(int i, std::size_t length);

  uint8_t state(int i) const { return state_[static_cast<std::size_t>(i)]; }
  void set_state(int i, uint8_t s) { state_[static_cast<std::size_t>(i)] = s; }
  bool reported(int i) const { return state(i) == kReported; }
  int reported_count() const;

 private:
  struct Ref {
    uint32_t start;
    uint32_t length;
  };
  std::string header_;
  std::string text_;  // the lines back to back, each followed by a NUL
  int text_bytes_ = 0;
  std::vector<Ref> refs_;
  std::vector<uint8_t> state_;
  std::vector<int32_t> compare_;  // entry 0 unused
};

// True when `line` begins with "Last-Modified:" in any case of its letters.
bool is_last_modified_line(std::string_view line);

}  // namespace ks::compare
