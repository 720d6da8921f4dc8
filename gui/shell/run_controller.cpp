#include "shell/run_controller.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <variant>

#include "app/application.h"

namespace ks::gui {

namespace {
// One drain hands over events for at most this long, then yields to the
// event loop (painting, input) and continues in a later drain.
constexpr qint64 kDrainSliceMs = 15;
}  // namespace

RunController::RunController(app::Application& app, RunView& view, QObject* parent)
    : QObject(parent), app_(app), view_(view) {
  queue_ = std::make_unique<check::RunEventQueue>([this] {
    // Any thread: schedule one drain; further posts ride on it.
    if (!drain_scheduled_.exchange(true)) {
      QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
    }
  });
}

RunController::~RunController() {
  // A run still going on is stopped; the session waits for its own threads.
  if (session_) session_->request_exit();
  session_.reset();
  queue_.reset();
}

bool RunController::start(store::NodeId node, check::CheckKind kind) {
  if (running()) return false;
  if (!session_) session_ = app_.make_session(*queue_);
  if (!session_->start(node, kind, app_.options(), app_.folders().base)) return false;
  current_run_ = session_->run().run_id();
  return true;
}

void RunController::renew_session() {
  if (!running()) session_.reset();
}

void RunController::stop() {
  if (session_ && session_->running()) session_->stop();
}

void RunController::request_exit() {
  if (session_ && session_->running()) session_->request_exit();
}

check::RunCompletion RunController::complete(bool minimized) {
  if (!session_) return {};
  return session_->complete(minimized);
}

void RunController::drain() {
  drain_scheduled_.store(false);
  QElapsedTimer slice;
  slice.start();
  while (auto event = queue_->try_pop()) {
    if (event->run_id != current_run_) continue;
    if (auto* item = std::get_if<check::ItemFinished>(&event->body)) {
      view_.item_finished(*item);
    } else if (auto* notice = std::get_if<check::RedirectShown>(&event->body)) {
      view_.redirect_shown(*notice);
    } else if (auto* status = std::get_if<check::StatusText>(&event->body)) {
      view_.status_text(status->text);
    } else if (auto* ended = std::get_if<check::RunEnded>(&event->body)) {
      view_.run_ended(*ended);
    }
    if (slice.elapsed() >= kDrainSliceMs) break;
  }
  if (queue_->size() > 0 && !drain_scheduled_.exchange(true)) {
    QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
  }
}

}  // namespace ks::gui
