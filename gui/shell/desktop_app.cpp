#include "shell/desktop_app.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/application.h"
#include "app/options/options.h"
#include "platform/appdir.h"
#include "shell/command_line.h"
#include "shell/icons.h"
#include "shell/main_window.h"
#include "shell/qt_text.h"
#include "shell/single_instance.h"
#include "shell/splash.h"
#include "store/folders.h"

namespace ks::gui {

namespace {

// SIGTERM and SIGINT (a session that ends by signal, Ctrl+C in a terminal)
// close the window the ordinary way, so nothing is lost: the handler only
// writes a byte that the UI thread reads.
int g_signal_pipe[2] = {-1, -1};

extern "C" void on_terminate(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe[1], &byte, 1);
}

void watch_signals(QObject* owner, const std::function<void()>& on_signal) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, owner);
  QObject::connect(notifier, &QSocketNotifier::activated, owner, [on_signal] {
    char buf[16];
    [[maybe_unused]] const ssize_t n = ::read(g_signal_pipe[0], buf, sizeof buf);
    on_signal();
  });
  struct sigaction sa {};
  sa.sa_handler = on_terminate;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
}

// The base folder the data folder lies in, as start-up will compute it,
// without creating anything (the single-instance name comes from it).
std::optional<std::string> base_folder_for(const CommandLine& cl) {
  std::optional<std::string_view> home;
  if (cl.home) home = *cl.home;
  const auto app_folder = resolve_app_folder(home);
  if (!app_folder) return std::nullopt;
  const app_options::Options o = app_options::load_options(*app_folder);
  if (o.use_custom_data_folder == 1) return store::custom_base_folder(o.custom_data_folder);
  return *app_folder;
}

void show_error(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Kestrelscanエラー"), text);
  box.setWindowIcon(app_icon());
  box.exec();
}

std::vector<std::string> words_of(int argc, char** argv) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

}  // namespace

int run_desktop_app(int argc, char** argv) {
  QElapsedTimer since_start;
  since_start.start();
  // --help and --version work without a display.
  const CommandLine early = parse_command_line(words_of(argc, argv));
  if (early.help) {
    std::fputs(usage_text().c_str(), stdout);
    return 0;
  }
  if (early.version) {
    std::puts("Kestrelscan v" KS_VERSION);
    return 0;
  }
  if (!early.error.empty()) {
    std::fprintf(stderr, "kestrelscan: %s\n%s", early.error.c_str(), usage_text().c_str());
    return 2;
  }

  QApplication qapp(argc, argv);
  // The application name is the window class (WM_CLASS "kestrelscan",
  // "Kestrelscan") that the desktop entry's StartupWMClass names; the
  // desktop file name is the Wayland app id, so the window and the menu
  // entry are seen as one application.
  QApplication::setApplicationName(QStringLiteral("Kestrelscan"));
  QGuiApplication::setDesktopFileName(QStringLiteral(KS_APP_ID));
  QApplication::setWindowIcon(app_icon());
  QApplication::setQuitOnLastWindowClosed(false);
  const CommandLine cl = parse_command_line(words_of(argc, argv));

  // 1-2. One instance per data folder: a running one is asked to come
  // forward, and this start ends.
  const auto base = base_folder_for(cl);
  const QString instance_name = SingleInstance::name_for(base.value_or(std::string()));
  if (base && SingleInstance::activate_running(instance_name, 2000)) return 0;

  // 4. The core, holding the data folder for the app's whole life. The tree
  // is built with the window, while the splash says so.
  app::StartOptions start;
  start.home = cl.home;
  start.access = app::Access::kChange;
  start.holder = "desktop app";
  start.load_tree = false;
  app::StartError error;
  std::unique_ptr<app::Application> core = app::Application::start(start, error);
  if (!core && error.kind == app::StartError::Kind::kLocked && error.holder &&
      error.holder->what == start.holder) {
    // Another desktop app took the folder a moment ago and is still coming
    // up: wait for its window rather than refuse.
    for (int attempt = 0; attempt < 10; ++attempt) {
      if (SingleInstance::activate_running(instance_name, 500)) return 0;
    }
  }
  if (!core) {
    show_error(from_utf8(error.message));
    return 1;
  }
  SingleInstance instance;
  instance.listen(instance_name);

  // 5-6. The window: splash, panes, tree, menus, placement, the check at
  // start-up; then the splash closes at its next tick.
  QPointer<Splash> splash;
  if (core->options().disable_startup_window == 0) {
    splash = new Splash();
    splash->show();
    QApplication::processEvents();
  }
  auto window = std::make_unique<MainWindow>(*core);
  window->build(splash);
  const StartupChoice choice =
      startup_choice(cl, core->options().start_minimized != 0, core->options().startup_check != 0);
  if (choice.check) window->post_startup_check();
  if (splash) splash->finish();

  // 7. Show it.
  window->show_at_start(choice.minimized);

  MainWindow* w = window.get();
  QObject::connect(&instance, &SingleInstance::activate_requested, w,
                   [w] { w->activate_from_other_instance(); });
  QObject::connect(w, &MainWindow::closed, &qapp, &QCoreApplication::quit, Qt::QueuedConnection);
  // The desktop session ends: save what must not be lost; the session may
  // always end.
  QObject::connect(&qapp, &QGuiApplication::commitDataRequest, w,
                   [w](QSessionManager&) { w->save_for_session_end(); });
  QObject::connect(&qapp, &QCoreApplication::aboutToQuit, w, [w] {
    if (!w->closing()) w->save_for_session_end();
  });
  watch_signals(w, [w] { w->close(); });

  if (qEnvironmentVariableIsSet("KESTRELSCAN_EXIT_WHEN_READY")) {
    // For the start-up benchmark: report when the window is up and idle.
    QTimer::singleShot(0, w, [w, &since_start] {
      std::fprintf(stderr, "kestrelscan: ready after %lld ms\n",
                   static_cast<long long>(since_start.elapsed()));
      w->close();
    });
  }

  const int rc = QApplication::exec();
  if (w->workers_running()) {
    // The workers did not end within the close limit: keep the day's
    // statistics and end without waiting for them.
    app_options::save_statistics(core->app_folder(), core->statistics(),
                                 static_cast<int64_t>(std::time(nullptr)));
    std::fflush(nullptr);
    std::_Exit(rc);
  }
  window.reset();
  delete splash.data();
  core->release();
  return rc;
}

}  // namespace ks::gui
