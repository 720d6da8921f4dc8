#include "gui/viewer/link_opening.h"

#include "gui/viewer/sjis_qt.h"
#include "platform/sjis.h"

namespace ks::gui {
namespace {

// How much of a target the status text shows.
constexpr std::size_t kStatusTargetBytes = 100;

std::time_t now_of(const LinkOpenContext& context) {
  return context.now ? context.now() : std::time(nullptr);
}

void record(const LinkInfo& link, LinkOpenContext& context, std::time_t now) {
  if (context.options->save_history) {
    // A link outside any item's output stands alone on the page.
    const present::HistoryLink self{link.target, link.text};
    const present::HistoryLink& heading = link.heading.url.empty() ? self : link.heading;
    present::write_history_entry(context.base_folder, self, heading, now);
  }
  context.history->add(link.target, link.text);
}

}  // namespace

LinkOpenResult open_result_link(const LinkInfo& link, LinkOpenContext& context) {
  LinkOpenResult result;
  const std::time_t now = now_of(context);
  record(link, context, now);
  const std::string shown = link.target.substr(0, sjis_fit(link.target, kStatusTargetBytes));
  result.status = QStringLiteral("開きます(%1)").arg(to_qstring(shown));
  present::OpenEnv env = context.open_env;
  if (!env.options) env.options = context.options;
  result.opened =
      present::open_address(present::AddressKind::kUrl, link.target, link.origin.program, env);
  if (context.statistics) {
    app_options::roll_statistics_day(*context.statistics, static_cast<int64_t>(now));
    ++context.statistics->num_open_links;
  }
  if (context.session_totals) ++context.session_totals->num_open_links;
  return result;
}

void record_opened_link(const LinkInfo& link, LinkOpenContext& context,
                        const std::array<ResultView*, 3>& views) {
  record(link, context, now_of(context));
  for (ResultView* v : views) {
    if (v) v->mark_opened(link.target);
  }
}

}  // namespace ks::gui
