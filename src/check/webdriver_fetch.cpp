#include "check/webdriver_fetch.h"

#include <unistd.h>

#include <cstdlib>

#include "net/net_error.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/sjis.h"

namespace ks::check {
namespace {

constexpr const char* kDriverNames[] = {"chromedriver", "msedgedriver"};

bool executable(const std::string& os_path) {
  return ::access(os_path.c_str(), X_OK) == 0;
}

std::string find_one(std::string_view app_folder, std::string_view name) {
  if (name.find('/') != std::string_view::npos) {
    std::string path(name);
    return executable(path) ? path : std::string();
  }
  std::string local = to_os_path(path_join(app_folder, name));
  if (executable(local)) return local;
  const char* path_env = std::getenv("PATH");
  std::string_view dirs = path_env ? path_env : "";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    if (!dir.empty()) {
      std::string candidate = std::string(dir) + "/" + std::string(name);
      if (executable(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return {};
}

}  // namespace

std::string find_driver_program(std::string_view app_folder, std::string_view name_or_path) {
  if (!name_or_path.empty()) return find_one(app_folder, name_or_path);
  for (const char* name : kDriverNames) {
    std::string found = find_one(app_folder, name);
    if (!found.empty()) return found;
  }
  return {};
}

std::string default_session_body(std::string_view driver_path, bool as_root) {
  const std::size_t slash = driver_path.rfind('/');
  const std::string_view base =
      slash == std::string_view::npos ? driver_path : driver_path.substr(slash + 1);
  if (base.starts_with("msedgedriver")) {
    return "{\"capabilities\": {\"alwaysMatch\": {\"browserName\": \"MicrosoftEdge\","
           "\"ms:edgeOptions\": {\"args\": [\"--headless\",\"--inprivate\","
           "\"--disk-cache-dir=/dev/null\",\"--media-cache-size=1\",\"--temp-profile\","
           "\"--disable-logging\",\"--disable-crash-reporter\","
           "\"--user-data-dir=%s/Session%u\"],"
           "\"prefs\": {\"profile.managed_default_content_settings.images\": 2}}}}}";
  }
  std::string body =
      "{\"capabilities\": {\"alwaysMatch\": {\"browserName\": \"chrome\","
      "\"goog:chromeOptions\": {\"args\": [\"--headless\",\"--incognito\","
      "\"--disable-gpu\",\"--disable-background-networking\",\"--no-first-run\","
      "\"--disable-component-update\",\"--disable-sync\",\"--disk-cache-size=1\","
      "\"--media-cache-size=1\",\"--disable-logging\",\"--disable-crash-reporter\",";
  if (as_root) body += "\"--no-sandbox\",";
  body +=
      "\"--user-data-dir=%s/Session%u\"],"
      "\"prefs\": {\"profile.managed_default_content_settings.images\": 2}}}}}";
  return body;
}

net::WebDriverConfig webdriver_config(const store::Folders& folders, int timeout_seconds) {
  const std::string ini = path_join(folders.app, kWebDriverFile);
  net::WebDriverConfig c;
  const std::string driver = find_driver_program(
      folders.app, sjis_to_utf8(profile_read_string(ini, kWebDriverSection, "DRIVER", "")));
  if (!driver.empty()) c.command = {driver};
  const std::string body = profile_read_string(ini, kWebDriverSection, "SESSION_BODY", "");
  c.session_body =
      body.empty() ? default_session_body(driver, ::geteuid() == 0) : sjis_to_utf8(body);
  const int port_base = profile_read_int(ini, kWebDriverSection, "PORT_BASE", net::kDriverPortBase);
  c.port_base = port_base >= 1024 && port_base <= 65535 - net::kDriverSlots
                    ? static_cast<uint16_t>(port_base)
                    : net::kDriverPortBase;
  c.profile_base = folders.work_utf8;
  c.work_folder = folders.work;
  c.timeout_seconds = timeout_seconds > 0 ? timeout_seconds : 30;
  return c;
}

int WebDriverFetch::failure_code() const {
  return net::kNetWebDriver;
}

FetchOutcome WebDriverFetch::fetch(const FetchRequest& request) {
  FetchOutcome out;
  net::DriverFetch f;
  if (request.target) f.url = sjis_to_utf8(request.target->current_url);
  if (request.settings) f.item_folder = request.settings->folder_path;
  f.response_path = request.response_path;
  f.stop = request.stop;
  f.progress = request.progress;
  if (f.url.empty() || f.item_folder.empty()) {
    out.net_error = failure_code();
    return out;
  }
  switch (pool_.fetch(f)) {
    case net::DriverFetchResult::kOk:
      out.ok = true;
      if (auto size = file_size(request.response_path)) out.received_bytes = *size;
      break;
    case net::DriverFetchResult::kStopped:
      out.stopped = true;
      break;
    case net::DriverFetchResult::kFailed:
      out.net_error = failure_code();
      break;
  }
  return out;
}

std::shared_ptr<WebDriverFetch> make_webdriver_fetch(const store::Folders& folders,
                                                     int timeout_seconds) {
  return std::make_shared<WebDriverFetch>(webdriver_config(folders, timeout_seconds));
}

}  // namespace ks::check
