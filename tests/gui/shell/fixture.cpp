#include "fixture.h"

#include <QtTest>
#include <stdexcept>

#include "platform/fs.h"
#include "platform/sjis.h"
#include "shell/qt_text.h"
#include "store/page_settings_io.h"

namespace ks::test {

std::string page_answer(const std::vector<std::string>& paragraphs) {
  std::string body = "<html><body>";
  for (const std::string& p : paragraphs) body += "<p>" + p + "</p>\n";
  body += "</body></html>";
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

GuiBench::GuiBench() = default;

GuiBench::~GuiBench() {
  stop();
}

std::string GuiBench::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(server.port()) + path;
}

std::string GuiBench::add_item(const std::string& rel, const std::string& item_url,
                               const std::function<void(store::PageSettings&)>& tweak) {
  const std::string folder_path = folder.make_dir(utf8_to_sjis(rel));
  store::PageSettings rec = store::default_page_settings();
  rec.url = item_url;
  if (tweak) tweak(rec);
  if (!store::write_page_settings(folder_path, rec)) {
    throw std::runtime_error("cannot write the settings of " + rel);
  }
  return folder_path;
}

void GuiBench::set_options(const std::function<void(app_options::Options&)>& tweak) {
  app_options::Options o;
  tweak(o);
  app_options::save_options(folder.app(), o);
}

void GuiBench::start() {
  app::StartOptions so;
  so.home = sjis_to_utf8(folder.app());
  so.access = app::Access::kChange;
  so.holder = "desktop app";
  so.load_tree = false;
  app::StartError error;
  core_ = app::Application::start(so, error);
  QVERIFY2(core_ != nullptr, error.message.c_str());
  window_ = std::make_unique<gui::MainWindow>(*core_);
  window_->build(nullptr);
  window_->show_at_start(false);
}

bool GuiBench::close_and_wait(int timeout_ms) {
  bool closed = false;
  QObject::connect(window_.get(), &gui::MainWindow::closed, window_.get(),
                   [&closed] { closed = true; });
  window_->close();
  return QTest::qWaitFor([&] { return closed; }, timeout_ms);
}

void GuiBench::stop() {
  window_.reset();
  if (core_) core_->release();
  core_.reset();
}

bool GuiBench::check(store::NodeId node, int command, int timeout_ms) {
  window_->select_node(node == store::kNoNode ? core_->tree().root() : node);
  window_->command(command);
  if (!window_->running()) return false;
  return QTest::qWaitFor([this] { return !window_->running(); }, timeout_ms);
}

store::NodeId GuiBench::node(const std::string& display_path_utf8) const {
  return core_->tree().resolve(utf8_to_sjis(display_path_utf8));
}

QString GuiBench::pane_text(int tab) {
  gui::ResultView& view = window_->result(tab);
  return gui::from_sjis(view.text_range(0, view.end_offset()));
}

}  // namespace ks::test
