// The result display of a check run, composed on the workers and applied by
// the front end (check/run_events.h describes the channel).
//
// RunDisplayComposer is the RunComposer every front end gives a run: it
// composes a finished item's display (show_item_outcome) or a redirect
// notice into an OutcomeDisplay, two pane batches for the run's change and
// message tabs. The front end applies it to its panes with apply_display(),
// on the thread that owns the panes.
#pragma once

#include <array>
#include <memory>

#include "check/run_composer.h"
#include "present/display.h"
#include "present/pane_batch.h"

namespace ks::present {

// The result panes by tab number: 0 the whole run, 1 errors, 2 one item.
struct RunPanes {
  std::array<Pane*, 3> tabs{};
  Pane* tab(int index) const {
    return index >= 0 && index < 3 ? tabs[static_cast<std::size_t>(index)] : nullptr;
  }
};

// One item's display, ready to apply. When the run's two tabs are one, only
// `change` is used.
struct OutcomeDisplay : check::DisplayBatch {
  check::RunTabs tabs;
  PaneBatch change;
  PaneBatch message;
};

// The outcome of a finished task as the display takes it.
ItemOutcome outcome_of(const check::TaskRecord& task);

class RunDisplayComposer : public check::RunComposer {
 public:
  // The options are copied: a run composes with the options it started with.
  explicit RunDisplayComposer(const app_options::Options& options);
  check::DisplayValue compose_outcome(const check::TaskRecord& task,
                                      const check::RunTabs& tabs) override;
  check::DisplayValue compose_redirect(const check::TaskRecord& task, std::string_view http_message,
                                       const check::RunTabs& tabs) override;

 private:
  std::shared_ptr<const app_options::Options> options_;
};

// Applies a display made by RunDisplayComposer to the panes of its tabs
// (nothing for a missing pane or a null display).
void apply_display(const check::DisplayValue& display, const RunPanes& panes);

}  // namespace ks::present
