// The options sheet "Kestrelscanのオプション": ten pages in order — "通信",
// "動作", "ﾛｸﾞ表示", "ﾌｫﾝﾄ･色", "ﾂﾘｰ表示", "その他", "ﾊｲﾗｲﾄ", "見出し", "HTML",
// "統計情報", "自動ﾁｪｯｸ" — over a copy of the global options and of the
// schedule ([SCHEDULE] of kestrelscan.ini, with the autostart entry). After OK, options() is the
// copy with every shown page applied and schedule() the edited schedule;
// the caller puts them in place, saves kestrelscan.ini, writes or removes
// the autostart entry and tells the window. Cancel leaves the live options and
// the file as they were.
//
// The pages come from a table (options_pages.h), one file each, so a page
// can be added without touching the others. UI thread.
#pragma once

#include "app/options/options.h"
#include "app/options/schedule_options.h"
#include "app/options/statistics.h"
#include "gui/dialogs/property_sheet.h"

namespace ks::gui {

// The page "自動ﾁｪｯｸ" edits these.
struct ScheduleSettings {
  app_options::ScheduleOptions schedule;
  bool autostart = false;  // "ログイン時に起動する"
};

struct OptionsEnv {
  app_options::Statistics today;    // "今日"
  app_options::Statistics session;  // "今回"
  // The sheet's copy of the schedule (set by the sheet for its pages).
  ScheduleSettings* schedule = nullptr;
};

class OptionsSheet : public PropertySheet {
  Q_OBJECT

 public:
  OptionsSheet(QWidget* parent, const app_options::Options& current, const OptionsEnv& env,
               const ScheduleSettings& schedule = {});
  const app_options::Options& options() const { return options_; }
  const ScheduleSettings& schedule() const { return schedule_; }

 private:
  app_options::Options options_;
  ScheduleSettings schedule_;
  OptionsEnv env_;
};

}  // namespace ks::gui
