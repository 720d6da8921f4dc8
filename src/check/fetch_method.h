// How one hop's page is fetched, chosen by the item's USE_SCRIPT: 0 the own
// HTTP engine, 1 the browser component, 2 the browser driver. Every method
// leaves the raw response in the item's htmltmp.txt (the own engine keeps a
// small one in the request's memory buffer instead and says so) and reports
// success or the network error of its failure. The run holds one FetchMethods table;
// the browser methods are plugged in by whoever builds them, and until then
// the table's stand-ins fail with their method's error code.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "net/net_config.h"
#include "net/request_target.h"
#include "net/transfer.h"
#include "net/wait.h"
#include "store/page_settings.h"

namespace ks::check {

struct FetchRequest {
  const store::PageSettings* settings = nullptr;  // the item
  const net::RequestTarget* target = nullptr;     // this hop, prepared
  uint32_t address = 0xFFFFFFFFu;  // server or proxy (network byte order); all ones: not looked up
  std::string response_path;       // the item's htmltmp.txt
  // A buffer the method may keep a response of at most `memory_limit` bytes
  // in, instead of the file (may be null).
  std::string* response_memory = nullptr;
  std::size_t memory_limit = 0;
  const net::NetConfig* config = nullptr;
  net::StopFlags stop;
  net::TransferProgress* progress = nullptr;  // may be null
};

struct FetchOutcome {
  bool ok = false;
  int net_error = 0;  // set by a failing method (0 when ok or stopped)
  int tls_error = 0;
  bool stopped = false;  // ended by the stop flags
  int64_t received_bytes = 0;
  bool in_memory = false;  // the response is in request.response_memory, not in the file
};

class FetchMethod {
 public:
  virtual ~FetchMethod() = default;
  // Whether the worker resolves the host before fetching (the own engine
  // does; browsers resolve names themselves).
  virtual bool needs_lookup() const = 0;
  // Whether a failure is worth another attempt (RETRY). Browser methods are
  // tried once.
  virtual bool retries() const = 0;
  // The network error recorded for a failure the method does not name.
  virtual int failure_code() const = 0;
  // Called on a worker thread; may run on several workers at once.
  virtual FetchOutcome fetch(const FetchRequest& request) = 0;
  // Called by the run coordinator after every worker has ended: release what
  // the method keeps from item to item within a run (browser drivers).
  virtual void end_run() {}
};

// The own HTTP/1.1 engine (net::run_transfer).
class HttpEngineFetch : public FetchMethod {
 public:
  bool needs_lookup() const override { return true; }
  bool retries() const override { return true; }
  int failure_code() const override;
  FetchOutcome fetch(const FetchRequest& request) override;
};

// A method that is not available in this build: every fetch fails with
// `code` (kNetBrowserComponent, kNetWebDriver).
class UnavailableFetch : public FetchMethod {
 public:
  explicit UnavailableFetch(int code) : code_(code) {}
  bool needs_lookup() const override { return false; }
  bool retries() const override { return false; }
  int failure_code() const override { return code_; }
  FetchOutcome fetch(const FetchRequest& request) override;

 private:
  int code_;
};

inline constexpr int kUseScriptHttp = 0;
inline constexpr int kUseScriptBrowserComponent = 1;
inline constexpr int kUseScriptBrowserDriver = 2;

// The methods of a run, by USE_SCRIPT. Set up before the run starts; read
// (never changed) by the workers.
class FetchMethods {
 public:
  FetchMethods();  // own engine; the two browser methods unavailable
  void set(int use_script, std::shared_ptr<FetchMethod> method);
  // The method for an item's USE_SCRIPT (values out of range: the own engine).
  FetchMethod& for_use_script(int use_script) const;
  // Ends the run for every method (see FetchMethod::end_run).
  void end_run() const;

 private:
  std::array<std::shared_ptr<FetchMethod>, 3> methods_;
};

}  // namespace ks::check
