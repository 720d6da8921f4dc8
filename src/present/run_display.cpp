#include "present/run_display.h"

namespace ks::present {

ItemOutcome outcome_of(const check::TaskRecord& task) {
  return {task.result_code, task.message, task.redirect_overflow >= check::kRedirectOverflowMark};
}

void show_slot_outcome(const RunPanes& panes, const check::SlotOutcome& outcome,
                       const DisplayEnv& env) {
  Pane* change = panes.tab(outcome.tabs.change_tab);
  Pane* message = panes.tab(outcome.tabs.message_tab);
  if (!outcome.task || !change || !message) return;
  show_item_outcome(*change, *message, outcome.task->settings, outcome_of(*outcome.task), env);
}

void show_slot_redirect(const RunPanes& panes, const check::RedirectNotice& notice,
                        const DisplayEnv& env) {
  Pane* message = panes.tab(notice.tabs.message_tab);
  if (!notice.task || !message) return;
  show_redirect_notice(*message, notice.task->settings, notice.http_message,
                       notice.task->redirect_target, env);
}

}  // namespace ks::present
