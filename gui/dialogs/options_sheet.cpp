#include "gui/dialogs/options_sheet.h"

#include <QHBoxLayout>
#include <QWidget>

#include "gui/dialogs/options_pages.h"

namespace ks::gui {

const std::vector<OptionPageEntry>& option_pages() {
  static const std::vector<OptionPageEntry> pages = {
      {"通信", &make_network_page},      {"動作", &make_behaviour_page},
      {"ﾛｸﾞ表示", &make_log_page},       {"ﾌｫﾝﾄ･色", &make_font_page},
      {"ﾂﾘｰ表示", &make_tree_page},      {"その他", &make_other_options_page},
      {"ﾊｲﾗｲﾄ", &make_highlight_page},   {"見出し", &make_heading_page},
      {"HTML", &make_html_page},         {"統計情報", &make_statistics_page},
      {"自動ﾁｪｯｸ", &make_schedule_page},
  };
  return pages;
}

QWidget* option_row(std::initializer_list<QWidget*> widgets) {
  auto* row = new QWidget;
  auto* line = new QHBoxLayout(row);
  line->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w : widgets) line->addWidget(w);
  line->addStretch(1);
  return row;
}

OptionsSheet::OptionsSheet(QWidget* parent, const app_options::Options& current,
                           const OptionsEnv& env, const ScheduleSettings& schedule)
    : PropertySheet(parent, QStringLiteral("Kestrelscanのオプション")),
      options_(current),
      schedule_(schedule),
      env_(env) {
  setObjectName(QStringLiteral("options_sheet"));
  env_.schedule = &schedule_;
  for (const OptionPageEntry& e : option_pages()) {
    add_page(e.make(options_, env_), QString::fromUtf8(e.caption));
  }
}

}  // namespace ks::gui
