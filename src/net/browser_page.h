// One page read through a running browser (the browser-component fetch):
// the page gets a fresh browser context of its own (cookies, cache and
// storage shared with no other fetch), a page target in it, page and network
// events, and a navigation to the URL. Then the fetch polls: every poll_ms
// it sets the elapsed seconds and asks whether the page is busy (its
// document or a frame still loading, or a network request in flight); after
// idle_polls idle polls in a row it reads document.lastModified and the
// body's outer HTML and writes them into the response file (below). A page
// that is not idle that long within max_polls polls fails.
//
// The context is disposed of on every path out of the fetch, also when the
// run is stopped; a browser that has gone away fails the fetch at once.
// Several fetches may run on one client at once, each in its own context.
#pragma once

#include <string>
#include <string_view>

#include "net/devtools_client.h"
#include "net/transfer.h"
#include "net/wait.h"

namespace ks::net {

struct PageFetchLimits {
  int poll_ms = 200;
  int max_polls = 300;     // one minute
  int idle_polls = 25;     // five seconds without activity
  int command_ms = 30000;  // each command's reply (TIMEOUT)
  int dispose_ms = 5000;   // disposing of the context, stop or not
};

struct PageFetch {
  std::string url;  // UTF-8
  std::string response_path;
  StopFlags stop;
  TransferProgress* progress = nullptr;  // elapsed seconds; may be null
};

enum class PageFetchResult { kOk, kFailed, kStopped };

PageFetchResult fetch_page(DevToolsClient& client, const PageFetch& request,
                           const PageFetchLimits& limits);

// The response file's text: "HTTP/1.1 200 OK", the Last-Modified line, an
// empty line, then a small UTF-8 HTML page around the body's HTML.
std::string browser_page_response(std::string_view last_modified, std::string_view body_html);

}  // namespace ks::net
