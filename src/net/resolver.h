// The name lookup: host name -> one IPv4 address, asynchronously, so that the
// waiting worker can see the run's stop flags and keeps to the time limit
// even when the system's resolver hangs.
//
// One lookup is outstanding at a time per Resolver (callers are serialised).
// Each lookup runs getaddrinfo on its own short-lived thread; a lookup that
// outlives its waiter finishes in the background and its answer is dropped.
// The waiter sleeps at most 100, 200, 200, then 500 ms between looks at the
// stop flags, but wakes at once when the answer arrives.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "net/wait.h"

namespace ks::net {

// The address of a dotted IPv4 literal ("192.0.2.1": four decimal parts of
// 0..255), in network byte order; nullopt for anything else.
std::optional<uint32_t> parse_ipv4_literal(std::string_view text);

struct LookupResult {
  bool ok = false;
  uint32_t address = 0xFFFFFFFFu;  // network byte order; all ones when unknown
  bool timed_out = false;
  bool stopped = false;  // a stop was requested while waiting
};

class Resolver {
 public:
  // The blocking lookup behind the asynchronous one; returns the address in
  // network byte order or nullopt. Replaceable for tests.
  using LookupFunction = std::function<std::optional<uint32_t>(const std::string&)>;

  Resolver();  // getaddrinfo, IPv4 only
  explicit Resolver(LookupFunction lookup);

  // Resolves `name` (a literal needs no lookup) within `timeout_seconds`.
  LookupResult lookup(std::string_view name, int timeout_seconds, const StopFlags& stop);

 private:
  LookupFunction lookup_;
  std::mutex one_at_a_time_;  // held for the whole of lookup()
};

// The system's lookup: the first IPv4 address getaddrinfo gives.
std::optional<uint32_t> system_lookup_ipv4(const std::string& name);

}  // namespace ks::net
