// Showing what a check run reports through its RunHost (check/run_host.h):
// a front end keeps its three result panes in RunPanes and forwards the
// host's show_outcome and show_redirect calls here, on the thread that
// holds the run's display lock.
#pragma once

#include <array>

#include "check/run_host.h"
#include "present/display.h"

namespace ks::present {

// The result panes by tab number: 0 the whole run, 1 errors, 2 one item.
struct RunPanes {
  std::array<Pane*, 3> tabs{};
  Pane* tab(int index) const {
    return index >= 0 && index < 3 ? tabs[static_cast<std::size_t>(index)] : nullptr;
  }
};

// The outcome of a finished task as the display takes it.
ItemOutcome outcome_of(const check::TaskRecord& task);

// One finished item into the run's change and message tabs. Nothing is
// shown when either pane is missing.
void show_slot_outcome(const RunPanes& panes, const check::SlotOutcome& outcome,
                       const DisplayEnv& env);
// A redirect notice into the run's message tab.
void show_slot_redirect(const RunPanes& panes, const check::RedirectNotice& notice,
                        const DisplayEnv& env);

}  // namespace ks::present
