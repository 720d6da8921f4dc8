// A batch of pane output kept as a value: composed on one thread (a check
// worker), applied to a real pane later on another (the front end's).
//
// PaneBatch is a pane of its own: it keeps what is written (so the
// composition can ask for the current line, search its text and mark
// highlights, as on any pane) and records every call in order. replay()
// makes the same calls on the target pane, with line numbers and offsets
// moved from the batch's own (which start at 0) to where the target's text
// ends; headline and keyword entries are added to the target's tables the
// same way. Limits and cuts are the target's.
//
// Not thread-safe; after composition it is only read (replay is const), so
// a finished batch may be handed between threads as a shared const value.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "present/buffered_pane.h"

namespace ks::present {

class PaneBatch : public BufferedPane {
 public:
  void begin() override;
  void end() override;
  void write_text(std::string_view text) override;
  void write_link(std::string_view text, std::string_view target,
                  const LinkOrigin& origin = {}) override;
  void set_text_kind(TextKind kind) override;
  void mark_highlight(std::size_t start, std::size_t end, int which) override;

  bool empty() const { return ops_.empty(); }
  // Makes the recorded calls on `target`.
  void replay(Pane& target) const;

 private:
  enum class Op { kBegin, kEnd, kText, kLink, kKind, kHighlight };
  struct Call {
    Op op;
    std::string text;
    std::string target;
    LinkOrigin origin;
    TextKind kind = TextKind::kNormal;
    std::size_t start = 0;
    std::size_t end = 0;
    int which = 0;
  };
  std::vector<Call> ops_;
  bool in_link_ = false;  // BufferedPane::write_link writes its own separator
};

}  // namespace ks::present
