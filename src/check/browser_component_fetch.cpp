#include "check/browser_component_fetch.h"

#include <unistd.h>

#include "check/webdriver_fetch.h"
#include "net/net_error.h"
#include "net/request_target.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"

namespace ks::check {
namespace {

constexpr const char* kBrowserNames[] = {"chromium", "chromium-browser", "google-chrome"};

std::vector<std::string> split_spaces(std::string_view text) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t end = text.find(' ', i);
    const std::string_view word = text.substr(i, end == std::string_view::npos ? end : end - i);
    if (!word.empty()) out.emplace_back(word);
    if (end == std::string_view::npos) break;
    i = end + 1;
  }
  return out;
}

}  // namespace

std::string find_browser_program(std::string_view app_folder, std::string_view name_or_path) {
  if (!name_or_path.empty()) return find_driver_program(app_folder, name_or_path);
  for (const char* name : kBrowserNames) {
    std::string found = find_driver_program(app_folder, name);
    if (!found.empty()) return found;
  }
  return {};
}

std::vector<std::string> browser_arguments(bool as_root) {
  std::vector<std::string> args = {
      "--headless=new",
      "--remote-debugging-pipe",
      "--no-first-run",
      "--no-default-browser-check",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      "--disable-default-apps",
      "--disable-extensions",
      "--disable-crash-reporter",
      "--disable-gpu",
      "--disable-dev-shm-usage",
      "--mute-audio",
      "--blink-settings=imagesEnabled=false",
  };
  if (as_root) args.emplace_back("--no-sandbox");
  return args;
}

net::BrowserComponentConfig browser_component_config(const store::Folders& folders,
                                                     int timeout_seconds) {
  const std::string ini = path_join(folders.app, kWebDriverFile);
  net::BrowserComponentConfig c;
  const std::string program = find_browser_program(
      folders.app, sjis_to_utf8(profile_read_string(ini, kBrowserComponentSection, "BROWSER", "")));
  if (!program.empty()) {
    c.command.push_back(program);
    for (std::string& a : browser_arguments(::geteuid() == 0)) c.command.push_back(std::move(a));
    const std::string extra =
        sjis_to_utf8(profile_read_string(ini, kBrowserComponentSection, "EXTRA_ARGS", ""));
    for (std::string& a : split_spaces(extra)) c.command.push_back(std::move(a));
  }
  c.work_folder = folders.work;
  c.limits.command_ms = (timeout_seconds > 0 ? timeout_seconds : 30) * 1000;
  return c;
}

int BrowserComponentFetch::failure_code() const {
  return net::kNetBrowserComponent;
}

FetchOutcome BrowserComponentFetch::fetch(const FetchRequest& request) {
  FetchOutcome out;
  net::PageFetch f;
  // Always the item's own address: the page's redirects happen in the browser.
  if (request.settings) f.url = sjis_to_utf8(net::url_to_fetch(*request.settings));
  f.response_path = request.response_path;
  f.stop = request.stop;
  f.progress = request.progress;
  if (f.url.empty()) {
    out.net_error = failure_code();
    return out;
  }
  switch (browser_.fetch(f)) {
    case net::PageFetchResult::kOk:
      out.ok = true;
      if (auto size = file_size(request.response_path)) out.received_bytes = *size;
      break;
    case net::PageFetchResult::kStopped:
      out.stopped = true;
      break;
    case net::PageFetchResult::kFailed:
      out.net_error = failure_code();
      break;
  }
  return out;
}

std::shared_ptr<BrowserComponentFetch> make_browser_component_fetch(const store::Folders& folders,
                                                                    int timeout_seconds) {
  return std::make_shared<BrowserComponentFetch>(
      browser_component_config(folders, timeout_seconds));
}

BrowserComponentInfo browser_component_info(const store::Folders& folders, bool ask_version) {
  BrowserComponentInfo info;
  const net::BrowserComponentConfig c = browser_component_config(folders, 30);
  if (c.command.empty()) return info;
  info.program = c.command.front();
  if (ask_version) info.version = net::browser_version_text(info.program);
  return info;
}

std::string browser_component_line(const BrowserComponentInfo& info) {
  std::string out = KS_SJ("ブラウザコンポーネント : ");
  if (!info.available()) {
    out += KS_SJ("使用できません（ブラウザが見つかりません）");
  } else {
    out += utf8_to_sjis(info.version.empty() ? info.program : info.version);
  }
  return out + "\r\n";
}

}  // namespace ks::check
