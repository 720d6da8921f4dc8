#include "gui/dialogs/find_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/dialogs/tab_order.h"
#include "gui/dialogs/text_limits.h"
#include "gui/viewer/result_view.h"
#include "gui/viewer/sjis_qt.h"

namespace ks::gui {
namespace {

// A search text longer than any line worth finding would still fit.
constexpr std::size_t kFindTextBytes = 256;

}  // namespace

FindDialog::FindDialog(QWidget* parent, present::FindState& state,
                       std::function<ResultView*()> current_view)
    : QDialog(parent), state_(state), view_(std::move(current_view)) {
  setObjectName(QStringLiteral("find"));
  setWindowTitle(QStringLiteral("検索"));
  text_ = new QLineEdit;
  text_->setObjectName(QStringLiteral("text"));
  text_->setMinimumWidth(260);
  limit_line_edit(text_, kFindTextBytes);
  auto* label = new QLabel(QStringLiteral("検索する文字列(&N):"));
  label->setBuddy(text_);
  auto* direction = new QGroupBox(QStringLiteral("方向"));
  up_ = new QRadioButton(QStringLiteral("上へ(&U)"));
  down_ = new QRadioButton(QStringLiteral("下へ(&D)"));
  down_->setChecked(true);
  auto* dl = new QHBoxLayout(direction);
  dl->addWidget(up_);
  dl->addWidget(down_);
  next_ = new QPushButton(QStringLiteral("次を検索"));
  next_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("キャンセル"));

  auto* left = new QVBoxLayout;
  auto* line = new QHBoxLayout;
  line->addWidget(label);
  line->addWidget(text_, 1);
  left->addLayout(line);
  left->addWidget(direction, 0, Qt::AlignRight);
  auto* right = new QVBoxLayout;
  right->addWidget(next_);
  right->addWidget(cancel);
  right->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(right);
  next_->setEnabled(false);
  connect(text_, &QLineEdit::textChanged, this,
          [this](const QString& t) { next_->setEnabled(!t.isEmpty()); });
  connect(next_, &QPushButton::clicked, this, [this] { find_next(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  follow_layout(this);
}

void FindDialog::open_for_search() {
  text_->setText(to_qstring(state_.text));
  text_->selectAll();
  show();
  raise();
  activateWindow();
  text_->setFocus();
}

bool FindDialog::find_next() {
  ResultView* view = view_ ? view_() : nullptr;
  const std::string text = one_line_sjis(text_->text());
  if (!view || text.empty()) return false;
  state_.text = text;
  const auto dir =
      up_->isChecked() ? present::FindDirection::kBackward : present::FindDirection::kForward;
  if (view->find_and_select(text, dir, true)) return true;
  QMessageBox::information(this, QStringLiteral("検索"),
                           QStringLiteral("「%1」は見つかりませんでした。").arg(text_->text()));
  return false;
}

}  // namespace ks::gui
