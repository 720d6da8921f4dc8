#include "gui/dialogs/item_search_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/dialogs/posting_pane.h"
#include "gui/dialogs/tab_order.h"
#include "gui/dialogs/text_limits.h"

namespace ks::gui {

ItemSearchDialog::ItemSearchDialog(QWidget* parent, app::ItemSearchSettings& settings,
                                   SearchHost host)
    : QDialog(parent), settings_(settings), host_(std::move(host)) {
  setObjectName(QStringLiteral("item_search"));
  setWindowTitle(QStringLiteral("アイテム検索"));
  setModal(true);
  const app::ItemSearchSettings& s = settings_;
  use_name_ = new QCheckBox(QStringLiteral("アイテム名"));
  use_name_->setChecked(s.use_name);
  name_ = new QLineEdit(edit_text(s.name));
  limit_line_edit(name_, app::kSearchTextMax);
  use_url_ = new QCheckBox(QStringLiteral("URL"));
  use_url_->setChecked(s.use_url);
  url_ = new QLineEdit(edit_text(s.url));
  limit_line_edit(url_, app::kSearchTextMax);
  use_time_ = new QCheckBox(QStringLiteral("更新時間"));
  use_time_->setChecked(s.use_time);
  count_ = new QSpinBox;
  count_->setRange(1, 99);
  count_->setValue(std::clamp(s.count, 1, 99));
  unit_ = new QComboBox;
  unit_->addItems(
      {QStringLiteral("時間"), QStringLiteral("日"), QStringLiteral("ヶ月"), QStringLiteral("年")});
  unit_->setCurrentIndex(static_cast<int>(s.unit));
  direction_ = new QComboBox;
  direction_->addItems({QStringLiteral("以内に更新のあった"), QStringLiteral("以上更新のない")});
  direction_->setCurrentIndex(s.older ? 1 : 0);
  no_info_ = new QCheckBox(QStringLiteral("更新情報がない物を含む"));
  no_info_->setChecked(s.include_no_info);
  disabled_ = new QCheckBox(QStringLiteral("自動チェックしない物を含む"));
  disabled_->setChecked(s.include_disabled);

  auto* grid = new QGridLayout;
  grid->addWidget(use_name_, 0, 0);
  grid->addWidget(name_, 0, 1, 1, 3);
  grid->addWidget(use_url_, 1, 0);
  grid->addWidget(url_, 1, 1, 1, 3);
  grid->addWidget(use_time_, 2, 0);
  grid->addWidget(count_, 2, 1);
  grid->addWidget(unit_, 2, 2);
  grid->addWidget(direction_, 2, 3);
  grid->addWidget(no_info_, 3, 1, 1, 3);
  grid->addWidget(disabled_, 4, 1, 1, 3);
  grid->setColumnStretch(3, 1);
  name_->setMinimumWidth(280);

  next_ = new QPushButton(QStringLiteral("次を検索"));
  next_->setDefault(true);
  list_ = new QPushButton(QStringLiteral("リスト出力"));
  stop_ = new QPushButton(QStringLiteral("中止"));
  stop_->setEnabled(false);
  cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {next_, list_, stop_, cancel_}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addLayout(buttons);
  const std::pair<QWidget*, const char*> names[] = {
      {use_name_, "use_name"}, {name_, "name"},           {use_url_, "use_url"},
      {url_, "url"},           {use_time_, "use_time"},   {count_, "count"},
      {unit_, "unit"},         {direction_, "direction"}, {no_info_, "no_info"},
      {disabled_, "disabled"}, {next_, "next"},           {list_, "list"},
      {stop_, "stop"},         {cancel_, "cancel"}};
  for (const auto& [w, name] : names) w->setObjectName(QString::fromLatin1(name));
  connect(next_, &QPushButton::clicked, this, [this] { start(false); });
  connect(list_, &QPushButton::clicked, this, [this] { start(true); });
  connect(stop_, &QPushButton::clicked, this, [this] { stop_flag_.store(true); });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  follow_layout(this);
}

ItemSearchDialog::~ItemSearchDialog() {
  stop_flag_.store(true);
  if (worker_.joinable()) worker_.join();
}

void ItemSearchDialog::read_settings() {
  app::ItemSearchSettings& s = settings_;
  s.use_name = use_name_->isChecked();
  s.name = one_line_sjis(name_->text());
  s.use_url = use_url_->isChecked();
  s.url = one_line_sjis(url_->text());
  s.use_time = use_time_->isChecked();
  s.count = count_->value();
  s.unit = static_cast<app::AgeUnit>(unit_->currentIndex());
  s.older = direction_->currentIndex() == 1;
  s.include_no_info = no_info_->isChecked();
  s.include_disabled = disabled_->isChecked();
}

void ItemSearchDialog::set_controls(bool on) {
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w != stop_ &&
        (qobject_cast<QCheckBox*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QSpinBox*>(w) ||
         qobject_cast<QComboBox*>(w) || qobject_cast<QPushButton*>(w))) {
      w->setEnabled(on);
    }
  }
  stop_->setEnabled(!on);
  if (!on) stop_->setFocus();
}

void ItemSearchDialog::start(bool list) {
  read_settings();
  if (settings_.active() == 0 || searching() || !host_.tree) return;
  if (list && (!host_.list_pane || !host_.list_pane())) return;
  tree_ = *host_.tree;
  const store::NodeId from = host_.selected ? host_.selected() : store::kNoNode;
  const store::NodeId start_node = from == store::kNoNode ? tree_.root() : from;
  set_controls(false);
  if (list && host_.show_list_pane) host_.show_list_pane();
  stop_flag_.store(false);
  const app::ItemSearchSettings s = settings_;
  worker_ = std::thread([this, s, list, start_node] {
    auto post = [this](auto fn) { QMetaObject::invokeMethod(this, fn, Qt::QueuedConnection); };
    app::ItemSearchEnv env;
    env.base_folder = host_.base_folder;
    env.stop = &stop_flag_;
    env.now = host_.now;
    store::NodeId found = store::kNoNode;
    if (list) {
      PostingPane out([this, post](PaneDelivery d) {
        post([this, d] {
          if (present::Pane* p = host_.list_pane ? host_.list_pane() : nullptr) d.apply(*p);
        });
      });
      app::list_items(out, tree_, start_node, s, env);
    } else {
      found = app::find_next_item(tree_, start_node, s, env);
    }
    post([this, list, found] { finished(list, found); });
  });
}

void ItemSearchDialog::finished(bool list, store::NodeId found) {
  if (worker_.joinable()) worker_.join();
  set_controls(true);
  if (list) {
    if (host_.list_done) host_.list_done();
  } else if (found != store::kNoNode && host_.select) {
    host_.select(found);
  }
  next_->setFocus();
}

void ItemSearchDialog::reject() {
  if (!searching()) QDialog::reject();
}

void ItemSearchDialog::closeEvent(QCloseEvent* event) {
  if (searching()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace ks::gui
