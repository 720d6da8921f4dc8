#include "gui/dialogs/property_sheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/dialogs/tab_order.h"

namespace ks::gui {

PropertySheet::PropertySheet(QWidget* parent, const QString& title) : QDialog(parent) {
  setWindowTitle(title);
  setModal(true);
  tabs_ = new QTabWidget(this);
  // Every page's tab in sight: the sheet grows to the width of its tabs
  // instead of hiding some behind scroll arrows.
  tabs_->setUsesScrollButtons(false);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(buttons_);
  connect(buttons_, &QDialogButtonBox::accepted, this, [this] { ok_pressed(); });
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (index >= 0 && index < page_count()) page(index)->set_shown();
  });
}

void PropertySheet::add_page(SheetPage* page, const QString& caption) {
  pages_.push_back(page);
  follow_layout(page);
  tabs_->addTab(page, caption);
  if (pages_.size() == 1) page->set_shown();
}

QPushButton* PropertySheet::ok_button() const {
  return buttons_->button(QDialogButtonBox::Ok);
}

QPushButton* PropertySheet::cancel_button() const {
  return buttons_->button(QDialogButtonBox::Cancel);
}

void PropertySheet::ok_pressed() {
  for (int i = 0; i < page_count(); ++i) {
    if (page(i)->shown() && !page(i)->validate()) {
      tabs_->setCurrentIndex(i);
      return;
    }
  }
  changes_marked_ = false;
  for (SheetPage* p : pages_) {
    if (!p->shown()) continue;
    p->apply();
    if (p->marks_changed()) changes_marked_ = true;
  }
  if (after_apply()) accept();
}

}  // namespace ks::gui
