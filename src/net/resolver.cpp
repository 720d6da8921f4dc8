#include "net/resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <condition_variable>
#include <memory>
#include <thread>

namespace ks::net {

std::optional<uint32_t> parse_ipv4_literal(std::string_view text) {
  if (text.empty() || text.size() > 15) return std::nullopt;
  std::string s(text);
  in_addr addr{};
  // inet_pton takes exactly four decimal parts, unlike inet_aton's short forms.
  if (::inet_pton(AF_INET, s.c_str(), &addr) != 1) return std::nullopt;
  return addr.s_addr;
}

std::optional<uint32_t> system_lookup_ipv4(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0 || !list) return std::nullopt;
  std::optional<uint32_t> address;
  for (addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addr) {
      address = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
      break;
    }
  }
  ::freeaddrinfo(list);
  return address;
}

namespace {

// Shared between the waiter and the lookup thread, which may outlive it.
struct Pending {
  std::mutex mutex;
  std::condition_variable answered;  // signalled when `done` becomes true
  bool done = false;                 // guarded by mutex
  std::optional<uint32_t> address;   // guarded by mutex
};

}  // namespace

Resolver::Resolver() : lookup_(system_lookup_ipv4) {}
Resolver::Resolver(LookupFunction lookup) : lookup_(std::move(lookup)) {}

LookupResult Resolver::lookup(std::string_view name, int timeout_seconds, const StopFlags& stop) {
  LookupResult result;
  if (auto literal = parse_ipv4_literal(name)) {
    result.ok = true;
    result.address = *literal;
    return result;
  }
  std::lock_guard<std::mutex> serial(one_at_a_time_);
  auto pending = std::make_shared<Pending>();
  try {
    std::thread([pending, lookup = lookup_, host = std::string(name)] {
      std::optional<uint32_t> address = lookup(host);
      std::lock_guard<std::mutex> lock(pending->mutex);
      pending->address = address;
      pending->done = true;
      pending->answered.notify_all();
    }).detach();
  } catch (const std::system_error&) {
    return result;  // no thread: a failed lookup
  }

  static constexpr int kSchedule[] = {100, 200, 200, 500};
  const auto limit = std::chrono::milliseconds(static_cast<int64_t>(timeout_seconds) * 1000);
  const auto start = Clock::now();
  std::unique_lock<std::mutex> lock(pending->mutex);
  for (int step = 0;; ++step) {
    if (pending->done) break;
    if (stop.stop_requested()) {
      result.stopped = true;
      return result;
    }
    auto spent = Clock::now() - start;
    if (spent >= limit) {
      result.timed_out = true;
      return result;
    }
    auto slice = std::chrono::milliseconds(kSchedule[step < 3 ? step : 3]);
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - spent);
    pending->answered.wait_for(lock, std::min(slice, left), [&] { return pending->done; });
  }
  if (pending->address) {
    result.ok = true;
    result.address = *pending->address;
  }
  return result;
}

}  // namespace ks::net
