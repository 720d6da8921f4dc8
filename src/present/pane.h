// The pane output layer: the one interface every writer of result text goes
// through. A pane is one of the result views (the whole run, errors, the
// selected item) or any other sink of result text: the terminal, a recording
// pane in tests, the desktop viewer, a report.
//
// Text is Shift_JIS. Output comes in batches: begin(), any number of writes,
// end(). Writes gather in a pending buffer that is handed to the pane in
// pieces (flush); a front end may paint only at end(). Offsets count bytes of
// the pane's text, where every line break counts as one byte; lines count
// from 0.
//
// Threads: a pane is written by one thread at a time (the check run takes its
// display lock around a whole item's output). The headline table has its own
// lock because the desktop app reads it from its UI thread while a worker
// writes; the keyword table belongs to the writer of the batch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks::present {

// The look of written text; set_text_kind() applies to what follows.
enum class TextKind : int {
  kNormal = 0,
  kDimmed = 1,     // outside the check areas in whole-page view
  kHeadline0 = 2,  // headline of an item of normal importance
  kHeadline1 = 3,  // middle importance
  kHeadline2 = 4,  // high importance
};

// Attribute bits of displayed text, one byte per text byte.
inline constexpr uint8_t kAttrLink = 0x01;
inline constexpr uint8_t kAttrHeadline0 = 0x02;
inline constexpr uint8_t kAttrHeadline1 = 0x04;
inline constexpr uint8_t kAttrHeadline2 = 0x08;
inline constexpr uint8_t kAttrHighlight0 = 0x10;
inline constexpr uint8_t kAttrHighlight1 = 0x20;
inline constexpr uint8_t kAttrDimmed = 0x80;

// The attribute a text kind gives to appended text (unknown kinds: none).
uint8_t attribute_for_kind(TextKind kind);

// Item-settings links: the target is 0x01 followed by the node id in decimal;
// following one opens the item's settings instead of a page.
inline constexpr char kItemSettingsMark = '\x01';
std::string item_settings_target(uint64_t node_id);
// The node id of an item-settings target, nullopt for any other target.
std::optional<uint64_t> item_settings_node(std::string_view target);

// Where a link came from: the item that produced it, the program that opens
// it, and whether it begins that item's output (its name link).
struct LinkOrigin {
  uint64_t item = 0;  // tree node id, 0 for none
  int32_t program = 0;
  bool starts_item = false;
};

// Headline table: where items' headlines (kind 0) and error lines (kind 1)
// are, for the next/previous headline commands. Capped at kMaxHeadlines
// entries; later entries are dropped. Any thread.
enum class HeadlineKind : int { kItem = 0, kError = 1 };
struct HeadlineEntry {
  HeadlineKind kind;
  int line;
};
inline constexpr std::size_t kMaxHeadlines = 2000;

class HeadlineTable {
 public:
  // False when the table is full (the entry is dropped).
  bool add(HeadlineKind kind, int line);
  void clear();
  std::vector<HeadlineEntry> entries() const;
  // The first headline line after `line` / the last one before it.
  std::optional<int> next_after(int line) const;
  std::optional<int> previous_before(int line) const;

 private:
  mutable std::mutex mutex_;
  std::vector<HeadlineEntry> entries_;  // guarded by mutex_
};

// Keyword positions: highlighted ranges [start, end) in pane offsets, capped
// at kMaxKeywordPositions; sorted by start once a display ends.
struct KeywordRange {
  std::size_t start;
  std::size_t end;
};
inline constexpr std::size_t kMaxKeywordPositions = 1000;

class KeywordTable {
 public:
  bool add(std::size_t start, std::size_t end);
  void sort();
  void clear() { ranges_.clear(); }
  const std::vector<KeywordRange>& ranges() const { return ranges_; }
  // The first range starting after `offset` (for jump-to-keyword).
  std::optional<KeywordRange> next_after(std::size_t offset) const;

 private:
  std::vector<KeywordRange> ranges_;
};

class Pane {
 public:
  Pane() = default;
  virtual ~Pane() = default;
  Pane(const Pane&) = delete;
  Pane& operator=(const Pane&) = delete;

  // Starts a batch; text goes to the end of the pane. Text still pending
  // from outside a batch is handed on first, never dropped.
  virtual void begin() = 0;
  // Appends text; CR LF, CR and LF each end one line.
  virtual void write_text(std::string_view text) = 0;
  // Appends `text` as a link to `target` (a URL or an item-settings target).
  // Two links in a row are kept apart by one space. A pane that cannot hold
  // more links shows the text plainly.
  virtual void write_link(std::string_view text, std::string_view target,
                          const LinkOrigin& origin = {}) = 0;
  // Sets the kind of the text that follows (pending text keeps its kind).
  virtual void set_text_kind(TextKind kind) = 0;
  // Hands pending text to the pane.
  virtual void flush() = 0;
  // Ends the batch: flushes; a front end shows the result now.
  virtual void end() = 0;
  // Empties the pane, its links and both tables.
  void clear() {
    headlines_.clear();
    keywords_.clear();
    clear_text();
  }

  // The line the next text will land on (pending text counted).
  virtual int current_line() = 0;
  // The offset the next text will land at (pending text counted).
  virtual std::size_t end_offset() = 0;
  // ORs kAttrHighlight0 (which 0) or kAttrHighlight1 (which 1) into [start, end).
  virtual void mark_highlight(std::size_t start, std::size_t end, int which) = 0;
  // Forward search for `needle` inside one line, from offset `from` to the end
  // of the pane (no wrap); the offset of the hit. Flushes pending text first.
  virtual std::optional<std::size_t> find(std::string_view needle, std::size_t from) = 0;

  HeadlineTable& headlines() { return headlines_; }
  const HeadlineTable& headlines() const { return headlines_; }
  KeywordTable& keywords() { return keywords_; }
  const KeywordTable& keywords() const { return keywords_; }

 protected:
  virtual void clear_text() = 0;

 private:
  HeadlineTable headlines_;
  KeywordTable keywords_;
};

}  // namespace ks::present
