#include "net/browser_page.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "platform/fs.h"

namespace ks::net {
namespace {

using nlohmann::json;

// How often a pause looks at the stop flags and the browser.
constexpr int kPauseSliceMs = 50;

// What is read once the page has settled; a page without a body fails.
constexpr const char* kReadPage =
    "(() => { const b = document.body;"
    " return { lastModified: document.lastModified, body: b ? b.outerHTML : null }; })()";

std::string string_at(const json& j, const char* key) {
  if (!j.is_object()) return {};
  const auto it = j.find(key);
  return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// The page's activity as its events tell it: frames that are loading and
// network requests in flight. Owned by the event handler (see
// DevToolsClient) and read by the polling fetch.
class PageActivity {
 public:
  void on_event(const std::string& method, const json& params) {
    std::lock_guard lock(mutex_);
    if (method == "Page.frameStartedLoading") {
      frames_.insert(string_at(params, "frameId"));
    } else if (method == "Page.frameStoppedLoading" || method == "Page.frameDetached") {
      frames_.erase(string_at(params, "frameId"));
    } else if (method == "Network.requestWillBeSent") {
      requests_.insert(string_at(params, "requestId"));
    } else if (method == "Network.loadingFinished" || method == "Network.loadingFailed") {
      requests_.erase(string_at(params, "requestId"));
    }
  }
  bool busy() const {
    std::lock_guard lock(mutex_);
    return !frames_.empty() || !requests_.empty();
  }

 private:
  mutable std::mutex mutex_;
  std::set<std::string> frames_;
  std::set<std::string> requests_;
};

class PageFetcher {
 public:
  PageFetcher(DevToolsClient& client, const PageFetch& request, const PageFetchLimits& limits)
      : client_(client), r_(request), limits_(limits) {}

  PageFetchResult run() {
    const CommandResult created = client_.call("Target.createBrowserContext", json::object(), "",
                                               r_.stop, limits_.command_ms);
    const std::string context = string_at(created.result, "browserContextId");
    if (!created.ok() || context.empty()) return failed();
    const PageFetchResult result = in_context(context);
    // Disposed of whatever happened, even after a stop: the context holds
    // the page's cookies and its running scripts.
    client_.call("Target.disposeBrowserContext", {{"browserContextId", context}}, "", {},
                 limits_.dispose_ms);
    return result;
  }

 private:
  PageFetchResult failed() const {
    return r_.stop.stop_requested() ? PageFetchResult::kStopped : PageFetchResult::kFailed;
  }

  CommandResult call(std::string_view method, const json& params, std::string_view session = {}) {
    return client_.call(method, params, session, r_.stop, limits_.command_ms);
  }

  PageFetchResult in_context(const std::string& context) {
    const CommandResult target =
        call("Target.createTarget", {{"url", "about:blank"}, {"browserContextId", context}});
    const std::string target_id = string_at(target.result, "targetId");
    if (!target.ok() || target_id.empty()) return failed();
    const CommandResult attached =
        call("Target.attachToTarget", {{"targetId", target_id}, {"flatten", true}});
    const std::string session = string_at(attached.result, "sessionId");
    if (!attached.ok() || session.empty()) return failed();

    auto activity = std::make_shared<PageActivity>();
    client_.set_event_handler(session, std::make_shared<DevToolsClient::EventHandler>(
                                           [activity](const std::string& m, const json& p) {
                                             activity->on_event(m, p);
                                           }));
    const PageFetchResult result = load(session, *activity);
    client_.remove_event_handler(session);
    return result;
  }

  PageFetchResult load(const std::string& session, const PageActivity& activity) {
    if (!call("Page.enable", json::object(), session).ok() ||
        !call("Network.enable", json::object(), session).ok()) {
      return failed();
    }
    const CommandResult navigated = call("Page.navigate", {{"url", r_.url}}, session);
    if (!navigated.ok() || !string_at(navigated.result, "errorText").empty()) return failed();

    int idle = 0;
    for (int poll = 0; poll < limits_.max_polls; ++poll) {
      if (r_.progress) r_.progress->elapsed_seconds = poll * limits_.poll_ms / 1000;
      if (!pause(limits_.poll_ms)) return failed();
      if (activity.busy()) {
        idle = 0;
      } else if (idle >= limits_.idle_polls - 1) {
        return read_page(session);
      } else {
        ++idle;
      }
    }
    return PageFetchResult::kFailed;  // never settled
  }

  // Sleeps `ms` in short steps; false when the run is stopped or the
  // browser has gone away.
  bool pause(int ms) const {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
      if (r_.stop.stop_requested() || client_.closed()) return false;
      const auto now = Clock::now();
      if (now >= until) return true;
      std::this_thread::sleep_until(
          std::min(until, now + std::chrono::milliseconds(kPauseSliceMs)));
    }
  }

  PageFetchResult read_page(const std::string& session) {
    const CommandResult read =
        call("Runtime.evaluate", {{"expression", kReadPage}, {"returnByValue", true}}, session);
    if (!read.ok() || read.result.contains("exceptionDetails")) return failed();
    const auto remote = read.result.find("result");
    if (remote == read.result.end() || !remote->is_object()) return failed();
    const auto value = remote->find("value");
    if (value == remote->end() || !value->is_object()) return failed();
    const auto body = value->find("body");
    if (body == value->end() || !body->is_string()) return failed();
    // A response file that cannot be written is left to the conversion
    // stage, which reports the missing response; the fetch itself worked.
    write_file_atomic(r_.response_path, browser_page_response(string_at(*value, "lastModified"),
                                                              body->get<std::string>()));
    return PageFetchResult::kOk;
  }

  DevToolsClient& client_;
  const PageFetch& r_;
  const PageFetchLimits& limits_;
};

}  // namespace

std::string browser_page_response(std::string_view last_modified, std::string_view body_html) {
  std::string out = "HTTP/1.1 200 OK\nLast-Modified: ";
  // The page's scripts can redefine the value: it must stay one header line.
  for (const char c : last_modified) out += c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
  out +=
      "\n\n<html>\n<head>\n<meta http-equiv=Content-Type content=text/html; charset=utf-8>\n"
      "</head>\n";
  out += body_html;
  out += "</html>\n";
  return out;
}

PageFetchResult fetch_page(DevToolsClient& client, const PageFetch& request,
                           const PageFetchLimits& limits) {
  return PageFetcher(client, request, limits).run();
}

}  // namespace ks::net
