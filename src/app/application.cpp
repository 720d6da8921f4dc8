#include "app/application.h"

#include <ctime>

#include "check/browser_component_fetch.h"
#include "check/webdriver_fetch.h"
#include "compare/matrix.h"
#include "compare/regex.h"
#include "net/tls.h"
#include "platform/appdir.h"
#include "platform/sjis.h"
#include "present/run_display.h"
#include "store/tree_order.h"

namespace ks::app {
namespace {

int64_t now_seconds() {
  return static_cast<int64_t>(std::time(nullptr));
}

bool same_counters(const app_options::Statistics& a, const app_options::Statistics& b) {
  return a.trx_time == b.trx_time && a.num_sites == b.num_sites &&
         a.rx_data_bytes == b.rx_data_bytes && a.num_open_links == b.num_open_links;
}

}  // namespace

std::unique_ptr<Application> Application::start(const StartOptions& options, StartError& error) {
  std::optional<std::string_view> home;
  if (options.home) home = *options.home;
  auto folder = resolve_app_folder(home);
  if (!folder) {
    error = {StartError::Kind::kNoAppFolder,
             "cannot name the application folder (set --home or KESTRELSCAN_HOME)", std::nullopt};
    return nullptr;
  }
  std::unique_ptr<Application> app(new Application());
  if (!store::prepare_app_folders(*folder, app->folders_)) {
    error = {StartError::Kind::kWorkFolder,
             "cannot create the work folder " + sjis_to_utf8(app->folders_.work), std::nullopt};
    app->released_ = true;
    return nullptr;
  }
  app->options_ = app_options::load_options(app->folders_.app);
  store::prepare_data_folders(app->folders_, app->options_.use_custom_data_folder == 1,
                              app->options_.custom_data_folder);
  if (options.access == Access::kChange) {
    switch (app->lock_.acquire(app->folders_.base, options.holder)) {
      case DataFolderLock::Result::kLocked:
        break;
      case DataFolderLock::Result::kBusy: {
        LockHolder holder = DataFolderLock::holder(app->folders_.base);
        error = {
            StartError::Kind::kLocked,
            "the data folder is in use by " + describe_holder(holder) + "; nothing was changed",
            holder};
        app->released_ = true;
        return nullptr;
      }
      case DataFolderLock::Result::kFailed:
        error = {StartError::Kind::kLockFailed,
                 "cannot create the lock file in " + sjis_to_utf8(app->folders_.base),
                 std::nullopt};
        app->released_ = true;
        return nullptr;
    }
  }
  app->statistics_ = app_options::load_statistics(app->folders_.app, now_seconds());
  app->statistics_loaded_ = app->statistics_;
  net::process_tls().load_for_application();
  compare::MatrixSlots::shared().release_all();
  compare::RegexLibrary::shared().load();
  app->methods_ = std::make_unique<check::FetchMethods>();
  app->methods_->set(check::kUseScriptBrowserComponent,
                     check::make_browser_component_fetch(app->folders_, app->options_.timeout));
  app->methods_->set(check::kUseScriptBrowserDriver,
                     check::make_webdriver_fetch(app->folders_, app->options_.timeout));
  if (options.load_tree) app->reload_tree();
  return app;
}

Application::~Application() {
  release();
}

void Application::release() {
  if (released_) return;
  released_ = true;
  // Only counters that changed are written: a command that merely read the
  // data folder must not overwrite what a running desktop app keeps.
  if (!same_counters(statistics_, statistics_loaded_)) {
    app_options::save_statistics(folders_.app, statistics_, now_seconds());
  }
  methods_.reset();
  net::process_tls().unload();
  compare::MatrixSlots::shared().release_all();
  compare::RegexLibrary::shared().unload();
  // The work folder is shared by every process on this application folder;
  // only the one that owns the data folder may clear it.
  if (lock_.held()) store::clean_work_folder(folders_.work);
  lock_.release();
}

store::TemplateApplier Application::template_applier() const {
  return store::template_applier(templates_);
}

std::unique_ptr<check::CheckSession> Application::make_session(check::RunEventSink& sink) {
  auto session = std::make_unique<check::CheckSession>(
      tree_, sink, std::make_unique<present::RunDisplayComposer>(options_), *methods_,
      template_applier());
  session->use_statistics(statistics_);
  // Only the holder of the data folder checks; the work folder is its own.
  if (owns_data_folder()) session->use_work_folder(folders_.work);
  session->use_session_totals(session_totals_);
  return session;
}

void Application::reload_tree() {
  startup_ =
      store::build_tree_at_startup(tree_, templates_, folders_.base, options_.auto_tree_sort != 0);
  // A tree.db that could not be used is replaced by the order of the folders,
  // by the process that owns the data folder only; the front end says so.
  if (startup_.tree_db_rebuilt && lock_.held()) {
    startup_.tree_db_saved = store::save_tree_db(tree_, folders_.data);
  }
}

bool Application::save_tree_cache() const {
  return store::save_tree_at_shutdown(tree_, folders_.base);
}

bool Application::tls_available() const {
  return net::process_tls().available();
}

bool Application::regex_available() const {
  return compare::RegexLibrary::shared().available();
}

}  // namespace ks::app
