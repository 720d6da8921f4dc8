// A property sheet: a dialog of named pages on tabs with "OK" and
// "キャンセル". A page is applied only when it was shown (the first page always
// is), as a property sheet applies the pages it has opened: OK first lets
// every shown page check its entries (a page that refuses is brought to the
// front and the sheet stays open), then applies them in page order and
// closes. Cancel applies nothing.
//
// Sheets are made from a table of pages: a sheet adds its pages in order,
// and a later page can be added to any sheet without touching the others.
// UI thread.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace ks::gui {

class SheetPage : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;
  // Checks the entries before anything is applied; false keeps the sheet
  // open (the page has told the user why).
  virtual bool validate() { return true; }
  // Copies the entries into the sheet's record.
  virtual void apply() = 0;
  // Whether applying this page marks the record as changed (OPTION_CHANGED).
  virtual bool marks_changed() const { return false; }

  bool shown() const { return shown_; }
  void set_shown() { shown_ = true; }

 private:
  bool shown_ = false;
};

class PropertySheet : public QDialog {
  Q_OBJECT

 public:
  PropertySheet(QWidget* parent, const QString& title);

  // Adds a page at the end; the sheet owns it.
  void add_page(SheetPage* page, const QString& caption);
  int page_count() const { return static_cast<int>(pages_.size()); }
  SheetPage* page(int index) const { return pages_[static_cast<std::size_t>(index)]; }
  QTabWidget* tabs() const { return tabs_; }
  QPushButton* ok_button() const;
  QPushButton* cancel_button() const;
  // After OK: whether any page that marks changes was applied.
  bool changes_marked() const { return changes_marked_; }

 protected:
  // After the shown pages were applied, before the sheet closes; false keeps
  // it open.
  virtual bool after_apply() { return true; }

 private:
  void ok_pressed();

  QTabWidget* tabs_;
  QDialogButtonBox* buttons_;
  std::vector<SheetPage*> pages_;
  bool changes_marked_ = false;
};

}  // namespace ks::gui
