#include "gui/dialogs/page_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "gui/dialogs/page_sheet.h"
#include "gui/dialogs/text_limits.h"

namespace ks::gui {

QCheckBox* Bindings::check(const QString& text, int32_t* field) {
  auto* box = new QCheckBox(text);
  box->setChecked(*field != 0);
  appliers_.push_back([box, field] { *field = box->isChecked() ? 1 : 0; });
  return box;
}

QComboBox* Bindings::choice(const QStringList& items, int32_t* field) {
  auto* combo = new QComboBox;
  combo->addItems(items);
  combo->setCurrentIndex(*field >= 0 && *field < items.size() ? *field : 0);
  appliers_.push_back([combo, field] { *field = combo->currentIndex(); });
  return combo;
}

QSpinBox* Bindings::spin(int lo, int hi, int32_t* field) {
  auto* box = new QSpinBox;
  box->setRange(lo, hi);
  box->setValue(std::clamp(*field, lo, hi));
  appliers_.push_back([box, field] { *field = box->value(); });
  return box;
}

QLineEdit* Bindings::line(std::string* field, std::size_t max_bytes) {
  auto* edit = new QLineEdit;
  limit_line_edit(edit, max_bytes);
  edit->setText(edit_text(*field));
  appliers_.push_back([edit, field] { *field = one_line_sjis(edit->text()); });
  return edit;
}

QPlainTextEdit* Bindings::text(std::string* field, std::size_t max_bytes) {
  auto* edit = new QPlainTextEdit;
  edit->setPlainText(edit_text(*field));
  edit->setTabChangesFocus(true);
  limit_plain_text(edit, max_bytes);
  appliers_.push_back([edit, field] { *field = multi_line_sjis(edit->toPlainText()); });
  return edit;
}

void Bindings::apply() const {
  for (const auto& f : appliers_) f();
}

QLabel* caption(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setTextFormat(Qt::PlainText);  // captions such as "<head>内" show as they are
  if (buddy) label->setBuddy(buddy);
  return label;
}

PageGrid::PageGrid(SheetState& state, QGridLayout* grid) : state_(state), grid_(grid) {
  if (state_.bulk_mode()) {
    grid_->addWidget(new QLabel(QStringLiteral("変更")), next_++, 0, Qt::AlignLeft);
  }
  grid_->setColumnStretch(1, 1);
}

bool PageGrid::row(std::optional<store::BulkField> field, std::initializer_list<QWidget*> widgets,
                   bool from_template) {
  auto* holder = new QWidget;
  auto* line = new QHBoxLayout(holder);
  line->setContentsMargins(0, 0, 0, 0);
  if (state_.bulk_mode() && !field) {
    // Not offered in bulk: the controls stay out of sight, owned by the page
    // (their bindings still read them on apply; nothing marks their fields).
    for (QWidget* w : widgets) line->addWidget(w);
    holder->setParent(grid_->parentWidget());
    holder->hide();
    return false;
  }
  if (state_.bulk_mode()) {
    // The mark comes first, so Tab reaches it before its controls.
    auto* box = new QCheckBox;
    box->setAccessibleName(QStringLiteral("変更"));
    box->setObjectName(QStringLiteral("mark%1").arg(static_cast<int>(*field)));
    grid_->addWidget(box, next_, 0, Qt::AlignLeft | Qt::AlignVCenter);
    holder->setEnabled(false);
    QObject::connect(box, &QCheckBox::toggled, holder, &QWidget::setEnabled);
    marks_.push_back({box, *field});
  }
  for (QWidget* w : widgets) line->addWidget(w);
  line->addStretch(1);
  grid_->addWidget(holder, next_++, 1);
  if (from_template && !state_.bulk_mode()) state_.template_rows.push_back(holder);
  return true;
}

void PageGrid::plain(QWidget* widget) {
  grid_->addWidget(widget, next_++, 0, 1, 2);
}

void PageGrid::apply_marks() const {
  for (const Mark& m : marks_) {
    if (m.box->isChecked()) state_.bulk.mark(m.field);
  }
}

}  // namespace ks::gui
