// The options sheet "Kestrelscanのオプション": ten pages in order — "通信",
// "動作", "ﾛｸﾞ表示", "ﾌｫﾝﾄ･色", "ﾂﾘｰ表示", "その他", "ﾊｲﾗｲﾄ", "見出し", "HTML",
// "統計情報" — over a copy of the global options. After OK, options() is the
// copy with every shown page applied; the caller puts it in place, saves
// kestrelscan.ini and tells the window. Cancel leaves the live options and
// the file as they were.
//
// The pages come from a table (options_pages.h), one file each, so a page
// can be added without touching the others. UI thread.
#pragma once

#include "app/options/options.h"
#include "app/options/statistics.h"
#include "gui/dialogs/property_sheet.h"

namespace ks::gui {

struct OptionsEnv {
  app_options::Statistics today;    // "今日"
  app_options::Statistics session;  // "今回"
};

class OptionsSheet : public PropertySheet {
  Q_OBJECT

 public:
  OptionsSheet(QWidget* parent, const app_options::Options& current, const OptionsEnv& env);
  const app_options::Options& options() const { return options_; }

 private:
  app_options::Options options_;
  OptionsEnv env_;
};

}  // namespace ks::gui
