// The item search dialog "アイテム検索": name, URL and update-age criteria
// (app/item_search.h) with "次を検索" (select the next matching node after
// the selection, expanding its parents) and "リスト出力" (every match listed
// in the first result tab). The search runs on a worker thread over a copy
// of the tree; while it runs every control but "中止" is off and the close
// box does nothing. The settings live in the caller and are shown again
// the next time. "ｷｬﾝｾﾙ" closes the dialog. UI thread.
#pragma once

#include <QDialog>
#include <atomic>
#include <thread>

#include "app/item_search.h"
#include "gui/dialogs/search_host.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace ks::gui {

class ItemSearchDialog : public QDialog {
  Q_OBJECT

 public:
  ItemSearchDialog(QWidget* parent, app::ItemSearchSettings& settings, SearchHost host);
  ~ItemSearchDialog() override;

  bool searching() const { return worker_.joinable(); }

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void start(bool list);
  void finished(bool list, store::NodeId found);
  void read_settings();
  void set_controls(bool on);

  app::ItemSearchSettings& settings_;
  SearchHost host_;
  QCheckBox* use_name_;
  QLineEdit* name_;
  QCheckBox* use_url_;
  QLineEdit* url_;
  QCheckBox* use_time_;
  QSpinBox* count_;
  QComboBox* unit_;
  QComboBox* direction_;
  QCheckBox* no_info_;
  QCheckBox* disabled_;
  QPushButton* next_;
  QPushButton* list_;
  QPushButton* stop_;
  QPushButton* cancel_;
  std::atomic<bool> stop_flag_{false};
  std::thread worker_;
  store::Tree tree_;  // the copy the worker reads
};

}  // namespace ks::gui
