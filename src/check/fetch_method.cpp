#include "check/fetch_method.h"

#include "net/net_error.h"
#include "store/auth_pass.h"

namespace ks::check {

int HttpEngineFetch::failure_code() const {
  return net::kNetConnectFailed;
}

FetchOutcome HttpEngineFetch::fetch(const FetchRequest& request) {
  net::TransferParams p;
  p.settings = request.settings;
  p.target = request.target;
  p.address = request.address;
  p.response_path = request.response_path;
  p.response_memory = request.response_memory;
  p.memory_limit = request.memory_limit;
  if (request.settings && request.settings->auth_type != 0) {
    p.auth_password = store::decipher_password(request.settings->auth_pass);
  }
  p.config = request.config;
  p.stop = request.stop;
  p.progress = request.progress;
  const net::TransferResult r = net::run_transfer(p);
  FetchOutcome out;
  out.ok = r.ok;
  out.net_error = r.ok || r.stopped ? 0 : (r.net_error != 0 ? r.net_error : failure_code());
  out.tls_error = r.tls_error;
  out.stopped = r.stopped;
  out.received_bytes = r.received_bytes;
  out.in_memory = r.in_memory;
  return out;
}

FetchOutcome UnavailableFetch::fetch(const FetchRequest& request) {
  FetchOutcome out;
  out.stopped = request.stop.stop_requested();
  out.net_error = out.stopped ? 0 : code_;
  return out;
}

FetchMethods::FetchMethods() {
  methods_[kUseScriptHttp] = std::make_shared<HttpEngineFetch>();
  methods_[kUseScriptBrowserComponent] =
      std::make_shared<UnavailableFetch>(net::kNetBrowserComponent);
  methods_[kUseScriptBrowserDriver] = std::make_shared<UnavailableFetch>(net::kNetWebDriver);
}

void FetchMethods::set(int use_script, std::shared_ptr<FetchMethod> method) {
  if (use_script < 0 || use_script >= static_cast<int>(methods_.size()) || !method) return;
  methods_[static_cast<std::size_t>(use_script)] = std::move(method);
}

FetchMethod& FetchMethods::for_use_script(int use_script) const {
  if (use_script < 0 || use_script >= static_cast<int>(methods_.size())) {
    return *methods_[kUseScriptHttp];
  }
  return *methods_[static_cast<std::size_t>(use_script)];
}

void FetchMethods::end_run() const {
  for (const auto& m : methods_) m->end_run();
}

}  // namespace ks::check
