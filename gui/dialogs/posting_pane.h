// A pane for a search that runs on a worker thread while the text belongs
// to a result pane on the UI thread. What the worker writes is kept in
// present::PaneBatch values; each finished batch (and each clear()) is
// handed to `deliver` on the worker, which posts it to the UI thread, where
// apply() replays it onto the real pane. hand_over() passes on what was
// written so far in the middle of a batch (between two items), so the pane
// fills while the search goes on. The worker never touches the real pane
// and never waits for the UI thread.
//
// The PostingPane itself belongs to the worker; deliveries are values that
// any thread may hold.
#pragma once

#include <functional>
#include <memory>

#include "present/pane.h"
#include "present/pane_batch.h"

namespace ks::gui {

struct PaneDelivery {
  bool clear = false;                               // empty the pane first
  std::shared_ptr<const present::PaneBatch> batch;  // then replay this (may be null)

  // On the UI thread: the delivery onto the real pane.
  void apply(present::Pane& pane) const;
};

class PostingPane final : public present::Pane {
 public:
  using Deliver = std::function<void(PaneDelivery)>;
  explicit PostingPane(Deliver deliver);

  void begin() override;
  void write_text(std::string_view text) override;
  void write_link(std::string_view text, std::string_view target,
                  const present::LinkOrigin& origin = {}) override;
  void set_text_kind(present::TextKind kind) override;
  void flush() override { batch_->flush(); }
  void end() override;
  int current_line() override { return batch_->current_line(); }
  std::size_t end_offset() override { return batch_->end_offset(); }
  void mark_highlight(std::size_t start, std::size_t end, int which) override;
  std::optional<std::size_t> find(std::string_view needle, std::size_t from) override;

  // Hands over what was written since the last delivery.
  void hand_over();

 protected:
  void clear_text() override;

 private:
  void deliver_batch();

  Deliver deliver_;
  std::unique_ptr<present::PaneBatch> batch_;
  int depth_ = 0;
};

}  // namespace ks::gui
