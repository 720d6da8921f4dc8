#include "gui/dialogs/posting_pane.h"

namespace ks::gui {

void PaneDelivery::apply(present::Pane& pane) const {
  if (clear) pane.clear();
  if (batch) batch->replay(pane);
}

PostingPane::PostingPane(Deliver deliver)
    : deliver_(std::move(deliver)), batch_(std::make_unique<present::PaneBatch>()) {}

void PostingPane::begin() {
  ++depth_;
  batch_->begin();
}

void PostingPane::write_text(std::string_view text) {
  batch_->write_text(text);
}

void PostingPane::write_link(std::string_view text, std::string_view target,
                             const present::LinkOrigin& origin) {
  batch_->write_link(text, target, origin);
}

void PostingPane::set_text_kind(present::TextKind kind) {
  batch_->set_text_kind(kind);
}

void PostingPane::end() {
  batch_->end();
  if (depth_ > 0 && --depth_ == 0) deliver_batch();
}

void PostingPane::mark_highlight(std::size_t start, std::size_t end, int which) {
  batch_->mark_highlight(start, end, which);
}

std::optional<std::size_t> PostingPane::find(std::string_view needle, std::size_t from) {
  return batch_->find(needle, from);
}

void PostingPane::hand_over() {
  if (depth_ == 0) return deliver_batch();
  if (batch_->end_offset() == 0 && headlines().entries().empty()) return;  // nothing new
  // Close the open batch, pass it on and go on in a fresh one.
  batch_->end();
  deliver_batch();
  batch_->begin();
}

void PostingPane::clear_text() {
  batch_ = std::make_unique<present::PaneBatch>();
  depth_ = 0;
  deliver_({true, nullptr});
}

void PostingPane::deliver_batch() {
  // Headline and keyword entries were recorded on this pane, with the
  // batch's own line numbers and offsets: they travel with the batch.
  for (const present::HeadlineEntry& e : headlines().entries()) {
    batch_->headlines().add(e.kind, e.line);
  }
  for (const present::KeywordRange& r : keywords().ranges()) {
    batch_->keywords().add(r.start, r.end);
  }
  headlines().clear();
  keywords().clear();
  if (batch_->empty()) return;
  std::shared_ptr<const present::PaneBatch> done = std::move(batch_);
  batch_ = std::make_unique<present::PaneBatch>();
  deliver_({false, std::move(done)});
}

}  // namespace ks::gui
