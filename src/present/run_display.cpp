#include "present/run_display.h"

namespace ks::present {

ItemOutcome outcome_of(const check::TaskRecord& task) {
  return {task.result_code, task.message, task.redirect_overflow >= check::kRedirectOverflowMark,
          task.lines_log};
}

RunDisplayComposer::RunDisplayComposer(const app_options::Options& options)
    : options_(std::make_shared<const app_options::Options>(options)) {}

check::DisplayValue RunDisplayComposer::compose_outcome(const check::TaskRecord& task,
                                                        const check::RunTabs& tabs) {
  auto out = std::make_shared<OutcomeDisplay>();
  out->tabs = tabs;
  DisplayEnv env;
  env.options = options_.get();
  Pane& message = tabs.message_tab == tabs.change_tab ? out->change : out->message;
  show_item_outcome(out->change, message, task.settings, outcome_of(task), env);
  if (out->change.empty() && out->message.empty()) return nullptr;
  return out;
}

check::DisplayValue RunDisplayComposer::compose_redirect(const check::TaskRecord& task,
                                                         std::string_view http_message,
                                                         const check::RunTabs& tabs) {
  auto out = std::make_shared<OutcomeDisplay>();
  out->tabs = tabs;
  DisplayEnv env;
  env.options = options_.get();
  Pane& message = tabs.message_tab == tabs.change_tab ? out->change : out->message;
  show_redirect_notice(message, task.settings, http_message, task.redirect_target, env);
  return out;
}

void apply_display(const check::DisplayValue& display, const RunPanes& panes) {
  const auto* d = dynamic_cast<const OutcomeDisplay*>(display.get());
  if (!d) return;
  if (Pane* change = panes.tab(d->tabs.change_tab)) d->change.replay(*change);
  if (d->tabs.message_tab != d->tabs.change_tab) {
    if (Pane* message = panes.tab(d->tabs.message_tab)) d->message.replay(*message);
  }
}

}  // namespace ks::present
