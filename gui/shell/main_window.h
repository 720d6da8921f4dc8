// The main window: toolbar, the item tree on the left, the three result
// tabs on the right ("一括ログ", "エラー", "個別ログ"), the status bar, and
// the notification-area icon when the options ask for it. Every user action
// arrives as a numbered command (commands.h) and goes through command(),
// which applies the gates: a button-gated command runs only while its
// toolbar flag is on, an idle-only command does nothing during a run.
//
// Check runs go through the RunController; the window applies their events
// on the UI thread (RunView) and never waits on a worker: closing during a
// run stops it and retries on the run timer's ticks, up to 100 attempts.
//
// Life: construct, build() (panes, tree, menus, placement; the splash shows
// what is being done), show_at_start(), and the `closed` signal when the
// window has gone down (tree cache, placement, TOPMOST saved). The
// Application must outlive the window. UI thread only.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <array>
#include <map>
#include <memory>
#include <optional>

#include "app/item_search.h"
#include "check/check_session.h"
#include "gui/dialogs/page_sheet.h"
#include "gui/dialogs/search_host.h"
#include "gui/gestures/item_tree_view.h"
#include "gui/viewer/result_view.h"
#include "present/find_text.h"
#include "present/history.h"
#include "present/open_page.h"
#include "shell/commands.h"
#include "shell/message_prompt.h"
#include "shell/run_controller.h"
#include "shell/task_monitor.h"
#include "store/page_settings.h"
#include "store/tree_ops.h"

class QAction;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;
class QTreeView;
class QSoundEffect;

namespace ks::app {
class Application;
}

namespace ks::gui {

class DesktopNotifier;
class ScheduleTimer;
class FindDialog;
class Splash;
class TrayIcon;
class TreeModel;

class MainWindow : public QMainWindow, public RunView {
  Q_OBJECT

 public:
  explicit MainWindow(app::Application& app);
  ~MainWindow() override;

  // Start-up (in this order): the panes, the tree, the menus, the window
  // placement and TOPMOST. `splash` (may be null) shows the progress.
  void build(Splash* splash);
  // Shows the window: minimised (hidden with the tray icon when a tray
  // exists), maximised as winpos.db says, or normally.
  void show_at_start(bool minimized);
  // Starts a check of the selected node once the event loop runs.
  void post_startup_check();

  // Carries out a command as the menus, keys, toolbar and tray send it.
  void command(int id);
  // Whether a command would run now (gates and enabling).
  bool command_allowed(int id) const;
  // A second start asked this window to come forward.
  void activate_from_other_instance();
  // After a link was opened: keep the window in front for STAY_FOCUS_TIME.
  void keep_focus();

  // The global options changed (the options sheet): the tree's and the
  // panes' look and the next run follow them.
  void options_changed();

  // Opens the settings of a node: the page settings sheet of an item or a
  // template, the group sheet (with its bulk change), the root sheet. Not
  // during a run, and not while another sheet is open.
  void properties(store::NodeId node);
  // "アイテムを追加": the page settings sheet for a new item (or template) in
  // the selection's group, made when the sheet is closed with OK.
  void new_item(const std::string& url_sjis = {}, const std::string& name_sjis = {});
  // Tests: called on the bulk change's worker before each item.
  void set_bulk_item_hook(std::function<void(const store::Node&)> hook) {
    bulk_item_hook_ = std::move(hook);
  }

  // Saves what a session end must not lose: the tree cache, the window
  // placement and TOPMOST, the statistics.
  void save_for_session_end();

  // The run state of the window: set when a run starts, cleared when its
  // end has been handled.
  bool running() const { return run_active_; }
  // The run's workers are still going (after a forced close, say).
  bool workers_running() const { return runs_ && runs_->running(); }
  bool closing() const { return exiting_; }
  int close_attempts() const { return close_attempts_; }
  const ButtonFlags& button_flags_now() const { return flags_; }

  // For tests and the screenshot: the parts of the window.
  TreeModel& model() { return *model_; }
  QTreeView* tree_view();
  QTabWidget* tabs() { return tabs_; }
  ResultView& result(int tab) { return *panes_[static_cast<std::size_t>(tab)]; }
  ResultView& current_view() { return result(tabs_->currentIndex()); }
  TaskMonitor* task_monitor() { return monitor_; }
  ScheduleTimer* schedule_timer() { return schedule_; }
  DesktopNotifier* notifier() { return notifier_; }
  TrayIcon* tray() { return tray_; }
  QToolBar* toolbar() { return toolbar_; }
  QAction* toolbar_action(Button b) const;
  QAction* menu_action(int command) const;
  QString status_text() const;
  store::NodeId selected_node() const;
  void select_node(store::NodeId id);

 Q_SIGNALS:
  // The window went down (after it saved its state); the app may quit.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  // Links and link files dropped on the window become new items.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // RunView
  void item_finished(const check::ItemFinished& item) override;
  void redirect_shown(const check::RedirectShown& notice) override;
  void status_text(const std::string& sjis) override;
  void run_ended(const check::RunEnded& ended) override;

  // Building.
  void build_panes();
  void build_actions();
  void build_menus();
  void build_toolbar();
  void build_tray();
  void restore_placement();
  void apply_tree_options();
  QAction* make_action(int command, const QString& caption);

  // Enabling.
  void apply_flags();
  void update_item_menu();
  std::optional<store::NodeKind> selected_kind() const;

  // Commands.
  void start_check(check::CheckKind kind, check::ItemSet only = nullptr);
  void stop_check();
  void toggle_topmost();
  void toggle_task_monitor();
  void reload(bool all);
  void open_item_url();
  void expand_all(bool expand);
  void clear_marks(bool errors_only);
  void new_folder();
  void delete_selected();
  void paste();
  void rename_selected();
  void repair();
  void browser_view(bool images);
  void last_update_times();
  void web_search(int command);
  void show_about();
  void show_heading_menu(store::NodeId node, const QPoint& global);
  void show_view_menu(const QPoint& global);
  void link_activated(const LinkInfo& link);
  void find(int command);
  void print_current();
  void past_log_search();
  void item_search();
  SearchHost search_host();
  void import_bookmarks();
  void export_bookmarks();
  void save_log_html();
  void confirm_selected();
  void show_options();
  void apply_autostart(bool on);
  void group_properties(store::NodeId node);
  void item_properties(store::NodeId node);
  void list_no_template_items(const store::NoTemplateReport& report);
  PageSheetEnv page_sheet_env(bool new_record);
  // Tree gestures (main_window_gestures.cpp).
  void wire_tree_gestures();
  void drop_node(store::NodeId source, store::NodeId target, store::DropPosition where);
  void set_menus_enabled(bool on);
  void show_history();
  present::OpenEnv open_env();

  // Runs.
  void run_tick();
  void finish_run(const check::RunCompletion& done);
  void after_finish_message(const check::RunCompletion& done);
  void play_sound(const std::string& file);
  void set_running_look(bool running);

  // Checks that run by themselves (main_window_schedule.cpp).
  void build_schedule();
  bool start_scheduled(const check::ItemSet& items);
  void finish_scheduled_run(const check::RunCompletion& done);
  void schedule_changed();
  // Selection and the current record.
  void selection_changed();
  void show_selected_result();
  std::optional<store::PageSettings> load_record(store::NodeId id) const;
  store::TreeContext tree_context();
  void tree_changed();

  // Closing.
  void save_window_state();
  void set_status(const QString& text);

  app::Application& app_;
  std::unique_ptr<RunController> runs_;
  MessagePrompt prompt_;
  TreeModel* model_ = nullptr;
  ItemTreeView* tree_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  std::array<ResultView*, 3> panes_{};  // owned by the tab widget
  QPointer<TaskMonitor> monitor_;
  TrayIcon* tray_ = nullptr;
  ScheduleTimer* schedule_ = nullptr;
  DesktopNotifier* notifier_ = nullptr;
  bool scheduled_run_ = false;  // the run going on was started by the schedule
  QStringList updated_names_;   // the run's updated items, in finishing order
  // A check the user started during a scheduled run, to start at its end.
  std::optional<check::CheckKind> user_check_waiting_;
  QMenu* item_menu_ = nullptr;
  QMenu* heading_menu_ = nullptr;
  QSoundEffect* sound_ = nullptr;

  std::map<int, QAction*> menu_actions_;               // menu entries by command
  std::map<Button, QAction*> toolbar_actions_;         // toolbar buttons
  std::vector<QAction*> menubar_actions_;              // the menu-bar entries
  std::vector<std::pair<int, QAction*>> key_actions_;  // accelerators by command
  QAction* tray_check_action_ = nullptr;

  ButtonFlags flags_;
  QTimer run_timer_;    // timer 1: 200 ms during a run (and while closing)
  QTimer focus_timer_;  // 50 ms after a link was opened
  int focus_ticks_ = 0;
  bool in_tick_ = false;
  bool run_active_ = false;
  bool exiting_ = false;
  bool state_saved_ = false;
  int close_attempts_ = 0;
  bool topmost_ = false;
  int saved_tree_width_ = 150;
  bool finish_message_up_ = false;
  check::RunTabs run_tabs_;
  QPointer<QWidget> focus_before_run_;
  store::Clipboard clipboard_;
  store::NodeId heading_node_ = store::kNoNode;
  std::optional<store::PageSettings> current_record_;
  std::optional<store::PageSettings> record_set_aside_;
  present::HistoryList history_;  // the links opened (history.db)
  present::FindState find_state_;
  QPointer<FindDialog> find_dialog_;
  app::ItemSearchSettings item_search_;  // kept while the app runs
  bool new_item_open_ = false;
  std::function<void(const store::Node&)> bulk_item_hook_;
};

}  // namespace ks::gui
