// The controls of the page settings sheet's pages, bound to fields of the
// sheet's record, and the rows they sit in.
//
// Bindings create a control, show the field's value in it and, on apply(),
// copy the control's value back. The record lives as long as the sheet, so
// fields are bound by address.
//
// PageGrid lays out rows. In the group's bulk pages every row that can be
// marked starts with a "変更" box (the column is headed "変更") and the row's
// controls are enabled only while it is ticked; rows that cannot be marked
// are left out. In an item's sheet the boxes do not exist. Rows whose
// settings a template supplies are registered with the sheet, which
// disables them while a template matches the item's URL.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "store/bulk_change.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QWidget;

namespace ks::gui {

struct SheetState;

class Bindings {
 public:
  QCheckBox* check(const QString& text, int32_t* field);
  QComboBox* choice(const QStringList& items, int32_t* field);
  QSpinBox* spin(int lo, int hi, int32_t* field);
  QLineEdit* line(std::string* field, std::size_t max_bytes);
  QPlainTextEdit* text(std::string* field, std::size_t max_bytes);
  void apply() const;

 private:
  std::vector<std::function<void()>> appliers_;
};

// A label whose text is its caption, for a control (Tab skips it).
QLabel* caption(const QString& text, QWidget* buddy = nullptr);

class PageGrid {
 public:
  // Rows go into `grid` (owned by the caller's widget); `state` decides
  // whether the mark column exists.
  PageGrid(SheetState& state, QGridLayout* grid);

  // A row of `widgets` side by side. `field`: the setting the row changes in
  // bulk (nullopt: the row cannot be marked and is left out of bulk pages);
  // `from_template`: a template supplies the row's settings. Returns false
  // when the row was left out (its widgets are then hidden).
  bool row(std::optional<store::BulkField> field, std::initializer_list<QWidget*> widgets,
           bool from_template);
  // A row spanning the whole width without a mark (a heading, a note).
  void plain(QWidget* widget);

  // Copies the ticked marks into the sheet's bulk change.
  void apply_marks() const;

 private:
  struct Mark {
    QCheckBox* box;
    store::BulkField field;
  };
  SheetState& state_;
  QGridLayout* grid_;
  int next_ = 0;
  std::vector<Mark> marks_;
};

}  // namespace ks::gui
