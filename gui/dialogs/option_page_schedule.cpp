// "自動ﾁｪｯｸ": checks that run by themselves — on or off, the interval of the
// whole tree, the hours and weekdays in which they start, the desktop
// notifications, and starting with the desktop session. Groups and items
// keep intervals of their own in their sheets.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

#include "gui/dialogs/interval_edit.h"
#include "gui/dialogs/options_pages.h"
#include "gui/dialogs/options_sheet.h"

namespace ks::gui {
namespace {

using app_options::ScheduleOptions;

QCheckBox* tick(const QString& text, bool on, const char* name) {
  auto* box = new QCheckBox(text);
  box->setChecked(on);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QLineEdit* text_line(const std::string& text, const char* name, const QString& tip) {
  auto* line = new QLineEdit(QString::fromStdString(text));
  line->setObjectName(QString::fromLatin1(name));
  line->setMaxLength(64);
  line->setMinimumWidth(160);
  line->setToolTip(tip);
  return line;
}

class SchedulePage final : public OptionPage {
 public:
  SchedulePage(app_options::Options& o, ScheduleSettings& s) : OptionPage(o), s_(s) {
    const ScheduleOptions& v = s.schedule;
    auto* layout = new QVBoxLayout(this);
    enabled_ = tick(QStringLiteral("自動チェックを行う"), v.enabled != 0, "schedule_enabled");
    layout->addWidget(enabled_);

    auto* box = new QGroupBox(QStringLiteral("自動チェックの条件"));
    auto* g = new QGridLayout(box);
    interval_ = interval_line(v.interval);
    interval_->setObjectName(QStringLiteral("schedule_interval"));
    g->addWidget(caption(QStringLiteral("全体のチェック間隔"), interval_), 0, 0);
    g->addWidget(
        option_row({interval_, caption(QStringLiteral("(例: 15m, 2h, 1d, 1w / "
                                                      "0: グループ・アイテムの設定のみ)"))}),
        0, 1);
    hours_ = text_line(app_options::hours_text(v.window_start, v.window_end), "schedule_hours",
                       QStringLiteral("例: 09:00-18:00 (空欄: 終日)"));
    g->addWidget(caption(QStringLiteral("チェックする時間帯"), hours_), 1, 0);
    g->addWidget(option_row({hours_, caption(QStringLiteral("(例: 09:00-18:00 / 空欄: 終日)"))}), 1,
                 1);
    days_ = text_line(app_options::days_text(v.days), "schedule_days",
                      QStringLiteral("例: mon-fri,sun (空欄: 毎日)"));
    g->addWidget(caption(QStringLiteral("チェックする曜日"), days_), 2, 0);
    g->addWidget(option_row({days_, caption(QStringLiteral("(例: mon-fri,sun / 空欄: 毎日)"))}), 2,
                 1);
    layout->addWidget(box);

    auto* notes = new QGroupBox(QStringLiteral("通知"));
    auto* n = new QVBoxLayout(notes);
    notify_ = tick(QStringLiteral("更新があったときに通知する"), v.notify != 0, "schedule_notify");
    errors_ = tick(QStringLiteral("エラーがあったときに通知する"), v.notify_errors != 0,
                   "schedule_notify_errors");
    n->addWidget(notify_);
    n->addWidget(errors_);
    layout->addWidget(notes);

    autostart_ = tick(QStringLiteral("ログイン時に起動する"), s.autostart, "autostart");
    layout->addWidget(autostart_);
    layout->addStretch(1);
    connect(enabled_, &QCheckBox::toggled, box, &QWidget::setEnabled);
    box->setEnabled(enabled_->isChecked());
  }

  bool validate() override {
    if (!validate_interval_line(this, interval_, false)) return false;
    if (!app_options::parse_hours(hours_->text().trimmed().toStdString())) {
      return refuse(hours_, QStringLiteral("時間帯は 09:00-18:00 のように入力してください。"));
    }
    if (!app_options::parse_days(days_->text().trimmed().toStdString())) {
      return refuse(days_, QStringLiteral("曜日は mon-fri,sun のように入力してください。"));
    }
    return true;
  }

  void apply() override {
    ScheduleOptions& v = s_.schedule;
    v.enabled = enabled_->isChecked() ? 1 : 0;
    std::optional<int32_t> minutes;
    if (read_interval_line(interval_, false, minutes)) v.interval = minutes.value_or(0);
    if (const auto hours = app_options::parse_hours(hours_->text().trimmed().toStdString())) {
      v.window_start = hours->first;
      v.window_end = hours->second;
    }
    if (const auto days = app_options::parse_days(days_->text().trimmed().toStdString())) {
      v.days = *days;
    }
    v.notify = notify_->isChecked() ? 1 : 0;
    v.notify_errors = errors_->isChecked() ? 1 : 0;
    s_.autostart = autostart_->isChecked();
  }

 private:
  bool refuse(QLineEdit* line, const QString& text) {
    QMessageBox::warning(this, QStringLiteral("Kestrelscan"), text);
    line->setFocus();
    line->selectAll();
    return false;
  }

  ScheduleSettings& s_;
  QCheckBox* enabled_;
  QLineEdit* interval_;
  QLineEdit* hours_;
  QLineEdit* days_;
  QCheckBox* notify_;
  QCheckBox* errors_;
  QCheckBox* autostart_;
};

}  // namespace

SheetPage* make_schedule_page(app_options::Options& o, const OptionsEnv& env) {
  return new SchedulePage(o, *env.schedule);
}

}  // namespace ks::gui
