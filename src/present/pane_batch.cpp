#include "present/pane_batch.h"

namespace ks::present {

void PaneBatch::begin() {
  ops_.push_back({Op::kBegin, {}, {}, {}});
  BufferedPane::begin();
}

void PaneBatch::end() {
  ops_.push_back({Op::kEnd, {}, {}, {}});
  BufferedPane::end();
}

void PaneBatch::write_text(std::string_view text) {
  if (!in_link_ && !text.empty()) {
    // Consecutive texts become one call: the target sees the same bytes.
    if (!ops_.empty() && ops_.back().op == Op::kText) {
      ops_.back().text.append(text);
    } else {
      ops_.push_back({Op::kText, std::string(text), {}, {}});
    }
  }
  BufferedPane::write_text(text);
}

void PaneBatch::write_link(std::string_view text, std::string_view target,
                           const LinkOrigin& origin) {
  ops_.push_back({Op::kLink, std::string(text), std::string(target), origin});
  in_link_ = true;
  BufferedPane::write_link(text, target, origin);
  in_link_ = false;
}

void PaneBatch::set_text_kind(TextKind kind) {
  Call c{Op::kKind, {}, {}, {}};
  c.kind = kind;
  ops_.push_back(std::move(c));
  BufferedPane::set_text_kind(kind);
}

void PaneBatch::mark_highlight(std::size_t start, std::size_t end, int which) {
  Call c{Op::kHighlight, {}, {}, {}};
  c.start = start;
  c.end = end;
  c.which = which;
  ops_.push_back(std::move(c));
  BufferedPane::mark_highlight(start, end, which);
}

void PaneBatch::replay(Pane& target) const {
  if (ops_.empty()) return;
  const std::size_t base_offset = target.end_offset();
  const int base_line = target.current_line();
  for (const Call& c : ops_) {
    switch (c.op) {
      case Op::kBegin:
        target.begin();
        break;
      case Op::kEnd:
        target.end();
        break;
      case Op::kText:
        target.write_text(c.text);
        break;
      case Op::kLink:
        target.write_link(c.text, c.target, c.origin);
        break;
      case Op::kKind:
        target.set_text_kind(c.kind);
        break;
      case Op::kHighlight:
        // Highlights mark text already handed to the pane.
        target.flush();
        target.mark_highlight(base_offset + c.start, base_offset + c.end, c.which);
        break;
    }
  }
  for (const HeadlineEntry& e : headlines().entries()) {
    target.headlines().add(e.kind, base_line + e.line);
  }
  const auto& ranges = keywords().ranges();
  if (!ranges.empty()) {
    for (const KeywordRange& r : ranges) {
      target.keywords().add(base_offset + r.start, base_offset + r.end);
    }
    target.keywords().sort();
  }
}

}  // namespace ks::present
