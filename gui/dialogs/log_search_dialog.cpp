#include "gui/dialogs/log_search_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/tab_order.h"
#include "gui/dialogs/text_limits.h"
#include "gui/viewer/sjis_qt.h"
#include "platform/sjis.h"
#include "present/log_search.h"

namespace ks::gui {
namespace {

// Long enough for any phrase worth looking for in a log line.
constexpr std::size_t kLogSearchTextBytes = 256;

}  // namespace

LogSearchDialog::LogSearchDialog(QWidget* parent, SearchHost host)
    : QDialog(parent), host_(std::move(host)) {
  setObjectName(QStringLiteral("log_search"));
  setWindowTitle(QStringLiteral("過去ログ検索"));
  setModal(true);
  text_ = new QLineEdit;
  text_->setObjectName(QStringLiteral("text"));
  text_->setMinimumWidth(300);
  limit_line_edit(text_, kLogSearchTextBytes);
  start_ = new QPushButton(QStringLiteral("検索(&S)"));
  start_->setDefault(true);
  stop_ = new QPushButton(QStringLiteral("中止"));
  stop_->setEnabled(false);
  close_ = new QPushButton(QStringLiteral("閉じる"));
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("検索する文字列(&N):"));
  label->setBuddy(text_);
  layout->addWidget(label);
  layout->addWidget(text_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  for (QPushButton* b : {start_, stop_, close_}) buttons->addWidget(b);
  layout->addLayout(buttons);
  connect(start_, &QPushButton::clicked, this, [this] { start(); });
  connect(stop_, &QPushButton::clicked, this, [this] { stop_flag_.store(true); });
  connect(close_, &QPushButton::clicked, this, &QDialog::reject);
  follow_layout(this);
}

LogSearchDialog::~LogSearchDialog() {
  stop_flag_.store(true);
  if (worker_.joinable()) worker_.join();
}

void LogSearchDialog::start() {
  const std::string text = one_line_sjis(text_->text());
  if (text.empty() || searching() || !host_.tree) return;
  present::Pane* pane = host_.list_pane ? host_.list_pane() : nullptr;
  if (!pane) return;
  tree_ = *host_.tree;
  if (host_.templates) templates_ = *host_.templates;
  if (host_.options) options_ = *host_.options;
  const store::NodeId from = host_.selected ? host_.selected() : tree_.root();
  for (QWidget* w : std::initializer_list<QWidget*>{text_, start_, close_}) w->setEnabled(false);
  stop_->setEnabled(true);
  stop_->setFocus();
  if (host_.busy) host_.busy(true);
  if (host_.show_list_pane) host_.show_list_pane();
  stop_flag_.store(false);
  worker_ = std::thread([this, text, from] {
    auto post = [this](auto fn) { QMetaObject::invokeMethod(this, fn, Qt::QueuedConnection); };
    PostingPane out([this, post](PaneDelivery d) {
      post([this, d] {
        if (present::Pane* p = host_.list_pane ? host_.list_pane() : nullptr) d.apply(*p);
      });
    });
    present::LogSearchEnv env;
    env.base_folder = host_.base_folder;
    env.stop = &stop_flag_;
    env.options = &options_;
    env.apply_template = store::template_applier(templates_);
    env.status = [&out, post, this](std::string_view sjis) {
      out.hand_over();
      // "検索中 ..." comes before each item, "検索完了" at the end.
      if (host_.before_item && sjis.rfind(KS_SJ("検索中"), 0) == 0) host_.before_item();
      post([this, s = to_qstring(sjis)] {
        if (host_.status) host_.status(s);
      });
    };
    present::search_logs(out, tree_, from == store::kNoNode ? tree_.root() : from, text, env);
    post([this] { finished(); });
  });
}

void LogSearchDialog::finished() {
  if (worker_.joinable()) worker_.join();
  if (host_.busy) host_.busy(false);
  if (host_.list_done) host_.list_done();
  accept();
}

void LogSearchDialog::reject() {
  if (!searching()) QDialog::reject();
}

void LogSearchDialog::closeEvent(QCloseEvent* event) {
  if (searching()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace ks::gui
