// The main window's construction: panes, actions, menus, toolbar, tray,
// placement, enabling, selection and closing. Commands are in
// main_window_commands.cpp, the run side in main_window_run.cpp.
#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <ctime>

#include "app/application.h"
#include "app/options/window_placement.h"
#include "shell/icons.h"
#include "shell/item_tree_view.h"
#include "shell/qt_text.h"
#include "shell/splash.h"
#include "shell/task_monitor.h"
#include "shell/tray.h"
#include "shell/tree_model.h"
#include "store/node_path.h"
#include "store/page_settings_io.h"

namespace ks::gui {

using store::NodeId;
using store::NodeKind;

namespace {

QColor color_of(int32_t bgr) {
  const auto v = static_cast<uint32_t>(bgr);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

}  // namespace

MainWindow::MainWindow(app::Application& app)
    : app_(app), prompt_(this, [this](const QString& text) { set_status(text); }) {
  setWindowTitle(QStringLiteral("Kestrelscan"));
  setWindowIcon(app_icon());
  setObjectName(QStringLiteral("KestrelscanWindowClass"));
  runs_ = std::make_unique<RunController>(app_, *this);
  run_timer_.setInterval(200);
  connect(&run_timer_, &QTimer::timeout, this, [this] { run_tick(); });
  focus_timer_.setInterval(50);
  connect(&focus_timer_, &QTimer::timeout, this, [this] {
    if (--focus_ticks_ <= 0) focus_timer_.stop();
    raise();
    activateWindow();
  });
  flags_ = button_flags(false, std::nullopt);
  setAcceptDrops(true);
}

MainWindow::~MainWindow() {
  // The run (and its workers) go before the panes and the tree model.
  runs_.reset();
}

void MainWindow::build(Splash* splash) {
  if (app_.options().stay_task_tray != 0) build_tray();
  build_panes();
  if (splash) splash->set_line(QStringLiteral("アイテムを読み込んでいます..."));
  app_.reload_tree();
  model_->reset();
  apply_tree_options();
  build_actions();
  build_menus();
  build_toolbar();
  select_node(app_.tree().root());
  tree_->expand(model_->index_of(app_.tree().root()));
  set_running_look(false);
  restore_placement();
}

void MainWindow::build_panes() {
  splitter_ = new QSplitter(Qt::Horizontal, this);
  model_ = new TreeModel(app_.tree(), this);
  model_->set_rename_hook([this](NodeId id, const QString& label) {
    if (running()) return false;
    store::TreeContext ctx = tree_context();
    return store::rename_node(ctx, id, to_sjis(label));
  });
  tree_ = new ItemTreeView(splitter_);
  tree_->set_tree_model(model_);
  tree_->set_drop_gate([this] { return !running(); });
  connect(tree_, &ItemTreeView::nodeDropped, this,
          [this](NodeId source, NodeId target, store::DropPosition where) {
            drop_node(source, target, where);
          });
  tree_->setHeaderHidden(true);
  // Long labels scroll sideways, as a tree control does, instead of being cut.
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  tree_->header()->setStretchLastSection(false);
  tree_->setUniformRowHeights(true);
  tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_->setObjectName(QStringLiteral("tree"));
  connect(tree_, &QTreeView::expanded, model_,
          [this](const QModelIndex& i) { model_->set_expanded(i, true); });
  connect(tree_, &QTreeView::collapsed, model_,
          [this](const QModelIndex& i) { model_->set_expanded(i, false); });
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { selection_changed(); });
  connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (running()) return;
    const QModelIndex i = tree_->indexAt(at);
    if (i.isValid()) tree_->setCurrentIndex(i);
    update_item_menu();
    item_menu_->exec(tree_->viewport()->mapToGlobal(at));
  });

  tabs_ = new QTabWidget(splitter_);
  history_ = present::HistoryList::load(app_.folders().data);
  panes_ = make_result_views(app_.options(), tabs_);
  for (std::size_t t = 0; t < panes_.size(); ++t) {
    ResultView* view = panes_[t];
    if (!view) view = panes_[t] = make_result_view(ViewerKind::kFallback, tabs_);
    tabs_->addTab(view->widget(), view->caption());
    view->set_opened_lookup([this](std::string_view target) { return history_.is_opened(target); });
    ResultViewEvents* events = view->events();
    const int tab = static_cast<int>(t);
    connect(events, &ResultViewEvents::captionChanged, this,
            [this, tab](const QString& caption) { tabs_->setTabText(tab, caption); });
    connect(events, &ResultViewEvents::statusText, this,
            [this](const QString& text) { set_status(text); });
    connect(events, &ResultViewEvents::linkActivated, this,
            [this](const LinkInfo& link) { link_activated(link); });
    connect(events, &ResultViewEvents::contextMenuRequested, this,
            [this](const QPoint& at) { show_view_menu(at); });
    // Tab goes on to the toolbar, Shift+Tab back to the tree.
    connect(events, &ResultViewEvents::tabPressed, this, [this](bool forward) {
      if (forward && toolbar_) {
        toolbar_->setFocus(Qt::TabFocusReason);
      } else {
        tree_->setFocus(Qt::BacktabFocusReason);
      }
    });
  }
  splitter_->addWidget(tree_);
  splitter_->addWidget(tabs_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setChildrenCollapsible(false);
  setCentralWidget(splitter_);
  statusBar()->setSizeGripEnabled(true);
}

void MainWindow::apply_tree_options() {
  const app_options::Options& o = app_.options();
  model_->set_show_counts(o.treeview_disp_item_count != 0);
  QFont f = QApplication::font(tree_);
  if (o.treeview_use_custom_font != 0) {
    if (!o.tree_font.face_name.empty()) f.setFamily(from_sjis(o.tree_font.face_name));
    if (o.tree_font.point > 0) f.setPointSize(o.tree_font.point);
    f.setBold(o.tree_font.bold != 0);
    f.setItalic(o.tree_font.italic != 0);
  }
  tree_->setFont(f);
  QPalette pal = QApplication::palette(tree_);
  if (o.treeview_use_custom_color != 0) {
    pal.setColor(QPalette::Text, color_of(o.tree_font.color));
    pal.setColor(QPalette::Base, color_of(o.tree_font.back_color));
  }
  tree_->setPalette(pal);
}

void MainWindow::build_tray() {
  tray_ = new TrayIcon(this);
  connect(tray_, &TrayIcon::check_toggled, this, [this] { command(kCmdTrayCheck); });
  connect(tray_, &TrayIcon::restore, this, [this] { command(kCmdRestore); });
  connect(tray_, &TrayIcon::quit, this, [this] { command(kCmdExit); });
}

void MainWindow::restore_placement() {
  const app_options::WindowPlacement wp = app_options::load_window_placement(app_.app_folder());
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const app_options::Rect r =
      app_options::place_window(wp, {work.x(), work.y(), work.width(), work.height()});
  move(r.left, r.top);
  resize(r.width, r.height);
  saved_tree_width_ = wp.tree_width > 0 ? wp.tree_width : 150;
  splitter_->setSizes({saved_tree_width_, std::max(1, r.width - saved_tree_width_)});
  if (wp.maximized == 1) setWindowState(windowState() | Qt::WindowMaximized);
  topmost_ = wp.topmost != 0;
  setWindowFlag(Qt::WindowStaysOnTopHint, topmost_);
  if (QAction* a = toolbar_action(Button::kTopmost)) {
    a->setToolTip(QString::fromUtf8(topmost_tooltip(topmost_)));
  }
}

void MainWindow::show_at_start(bool minimized) {
  const bool maximized = windowState() & Qt::WindowMaximized;
  if (minimized) {
    // With a tray icon the minimised window lives only there; without a
    // tray host it stays on the task bar, the only way back.
    if (tray_ && TrayIcon::available()) {
      setWindowState(windowState() | Qt::WindowMinimized);
      tray_->set_window_visible(false);
      return;
    }
    showMinimized();
  } else if (maximized) {
    showMaximized();
  } else {
    show();
  }
  if (tray_) tray_->set_window_visible(true);
}

QString MainWindow::status_text() const {
  return statusBar()->currentMessage();
}

void MainWindow::set_status(const QString& text) {
  if (text.isEmpty()) {
    statusBar()->clearMessage();
  } else {
    statusBar()->showMessage(text);
  }
}

QTreeView* MainWindow::tree_view() {
  return tree_;
}

NodeId MainWindow::selected_node() const {
  return model_ ? model_->node_of(tree_->currentIndex()) : store::kNoNode;
}

void MainWindow::select_node(NodeId id) {
  const QModelIndex i = model_->index_of(id);
  if (!i.isValid()) return;
  tree_->setCurrentIndex(i);
  tree_->scrollTo(i);
}

std::optional<NodeKind> MainWindow::selected_kind() const {
  const NodeId id = selected_node();
  if (id == store::kNoNode) return std::nullopt;
  const auto tag = model_->tag_of(id);
  if (!tag) return std::nullopt;
  return store::tag_kind(*tag);
}

void MainWindow::set_running_look(bool is_running) {
  flags_ = button_flags(is_running, selected_kind());
  apply_flags();
  tree_->setEnabled(!is_running);
  for (QAction* a : menubar_actions_) a->setEnabled(!is_running);
  for (int c : std::initializer_list<int>{kCmdViewerItemSettings, kCmdViewerOpenItem,
                                          kCmdViewerDeleteItem}) {
    if (QAction* a = menu_action(c)) a->setEnabled(!is_running);
  }
  if (tray_) tray_->set_busy(is_running);
  update_item_menu();
}

std::optional<store::PageSettings> MainWindow::load_record(NodeId id) const {
  const store::Node* n = app_.tree().find(id);
  if (!n || (n->kind() != NodeKind::kItem && n->kind() != NodeKind::kTemplate)) {
    return std::nullopt;
  }
  auto folder = store::node_path(app_.tree(), id, app_.folders().base);
  if (!folder) return std::nullopt;
  store::PageSettings rec = store::default_page_settings();
  rec.node_id = id;
  rec.name = n->label;
  rec.folder_path = *folder;
  if (!store::load_item_settings(*folder, rec, app_.template_applier())) return std::nullopt;
  return rec;
}

void MainWindow::selection_changed() {
  if (running()) return;
  current_record_ = load_record(selected_node());
  flags_ = button_flags(false, selected_kind());
  apply_flags();
  update_item_menu();
  show_selected_result();
}

store::TreeContext MainWindow::tree_context() {
  return store::TreeContext{app_.tree(), app_.templates(), app_.folders().base,
                            app_.options().auto_tree_sort != 0, prompt_};
}

void MainWindow::tree_changed() {
  model_->sync();
  update_item_menu();
}

void MainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const bool to_tray =
      isMinimized() && tray_ && TrayIcon::available() && app_.options().stay_task_tray != 0;
  if (to_tray) {
    QTimer::singleShot(0, this, [this] {
      if (isMinimized()) hide();
    });
  }
  if (tray_) tray_->set_window_visible(!isMinimized() && !to_tray);
}

void MainWindow::options_changed() {
  apply_tree_options();
  const ViewerLook look = look_from_options(app_.options());
  for (ResultView* view : panes_) view->apply_look(look);
  runs_->renew_session();
}

void MainWindow::activate_from_other_instance() {
  if (isMinimized() || !isVisible()) {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
  }
  raise();
  activateWindow();
  if (tray_) tray_->set_window_visible(true);
}

void MainWindow::keep_focus() {
  const app_options::Options& o = app_.options();
  if (o.stay_focus == 0) return;
  focus_ticks_ = std::max(1, o.stay_focus_time) * 1000 / 50;
  focus_timer_.start();
}

void MainWindow::save_window_state() {
  {
    // A run forced down by the close limit may still have workers marking
    // nodes: the cache is written under the run's tree lock.
    std::mutex* lock = runs_ ? runs_->tree_lock() : nullptr;
    if (lock) {
      std::lock_guard guard(*lock);
      app_.save_tree_cache();
    } else {
      app_.save_tree_cache();
    }
  }
  app_options::WindowPlacement wp;
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect work = screen ? screen->availableGeometry() : QRect();
  const QRect normal = (isMaximized() || isMinimized()) ? normalGeometry() : geometry();
  const QPoint frame = (isMaximized() || isMinimized()) ? normal.topLeft() : pos();
  wp.left = frame.x() - work.x();
  wp.top = frame.y() - work.y();
  wp.cx = normal.width();
  wp.cy = normal.height();
  const QList<int> sizes = splitter_ ? splitter_->sizes() : QList<int>();
  wp.tree_width = !sizes.isEmpty() && sizes.front() > 0 ? sizes.front() : saved_tree_width_;
  wp.maximized = isMaximized() ? 1 : 0;
  wp.topmost = topmost_ ? 1 : 0;
  app_options::save_window_placement(app_.app_folder(), wp);
  history_.save(app_.folders().data);
}

void MainWindow::save_for_session_end() {
  save_window_state();
  app_options::save_statistics(app_.app_folder(), app_.statistics(),
                               static_cast<int64_t>(std::time(nullptr)));
}

void MainWindow::closeEvent(QCloseEvent* event) {
  exiting_ = true;
  if (running()) {
    runs_->request_exit();
    if (!run_timer_.isActive()) run_timer_.start();
    // The run's timer asks again on every tick; after 100 attempts (about
    // 20 seconds) the window goes down whatever the workers do.
    if (++close_attempts_ < 100) {
      event->ignore();
      return;
    }
  }
  if (!state_saved_) {
    state_saved_ = true;
    save_window_state();
  }
  run_timer_.stop();
  focus_timer_.stop();
  if (monitor_) monitor_->close();
  event->accept();
  Q_EMIT closed();
}

}  // namespace ks::gui
