// The past-log search dialog "過去ログ検索": a text, "検索" and "中止". The
// search runs on its own thread over the selected item or every item below
// the selected group (present/log_search.h), writing into the first result
// tab, which it clears and brings to the front; the window's menu commands
// are off meanwhile. "中止" stops it at once. The dialog closes when the
// thread tells it the search has ended (the status bar then says
// "検索完了"); its close box does nothing while the search runs. UI thread.
#pragma once

#include <QDialog>
#include <atomic>
#include <thread>

#include "gui/dialogs/posting_pane.h"
#include "gui/dialogs/search_host.h"

class QLineEdit;
class QPushButton;

namespace ks::gui {

class LogSearchDialog : public QDialog {
  Q_OBJECT

 public:
  LogSearchDialog(QWidget* parent, SearchHost host);
  ~LogSearchDialog() override;

  bool searching() const { return worker_.joinable(); }
  QLineEdit* text_edit() const { return text_; }
  QPushButton* start_button() const { return start_; }
  QPushButton* stop_button() const { return stop_; }

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void start();
  void finished();

  SearchHost host_;
  QLineEdit* text_;
  QPushButton* start_;
  QPushButton* stop_;
  QPushButton* close_;
  std::atomic<bool> stop_flag_{false};
  std::thread worker_;
  // Copies the worker reads.
  store::Tree tree_;
  store::TemplateTable templates_;
  app_options::Options options_;
};

}  // namespace ks::gui
