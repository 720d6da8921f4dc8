#include "net/resolver.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace ks::net {
namespace {

using std::chrono::milliseconds;

TEST(Resolver, DottedLiteralsNeedNoLookup) {
  bool called = false;
  Resolver resolver([&](const std::string&) {
    called = true;
    return std::optional<uint32_t>();
  });
  LookupResult r = resolver.lookup("192.0.2.7", 5, {});
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.address, inet_addr("192.0.2.7"));
  EXPECT_FALSE(called);
  EXPECT_FALSE(parse_ipv4_literal("192.0.2"));
  EXPECT_FALSE(parse_ipv4_literal("192.0.2.256"));
  EXPECT_FALSE(parse_ipv4_literal("example.org"));
}

TEST(Resolver, SystemLookupFindsLocalhost) {
  Resolver resolver;
  LookupResult r = resolver.lookup("localhost", 10, {});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.address, htonl(INADDR_LOOPBACK));
}

// A lookup that answers when the test releases it.
class HeldLookup {
 public:
  Resolver::LookupFunction function() {
    return [state = state_](const std::string&) -> std::optional<uint32_t> {
      state->release.get_future().wait();
      return inet_addr("192.0.2.9");
    };
  }
  void release() { state_->release.set_value(); }
  ~HeldLookup() {
    if (!released_) release();
    std::this_thread::sleep_for(milliseconds(50));  // let the lookup thread end
  }
  bool released_ = false;

 private:
  struct State {
    std::promise<void> release;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

TEST(Resolver, AnswerArrivingLateStillCounts) {
  HeldLookup held;
  Resolver resolver(held.function());
  auto future = std::async(std::launch::async, [&] { return resolver.lookup("h", 10, {}); });
  std::this_thread::sleep_for(milliseconds(700));  // into the 500 ms steps
  held.release();
  held.released_ = true;
  LookupResult r = future.get();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.address, inet_addr("192.0.2.9"));
}

TEST(Resolver, TimeoutEndsTheWait) {
  HeldLookup held;
  Resolver resolver(held.function());
  auto start = std::chrono::steady_clock::now();
  LookupResult r = resolver.lookup("h", 1, {});
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.timed_out);
  EXPECT_EQ(r.address, 0xFFFFFFFFu);
  EXPECT_GE(took, milliseconds(1000));
  EXPECT_LT(took, milliseconds(3000));
}

TEST(Resolver, AbortEndsTheWaitWithinASecond) {
  HeldLookup held;
  Resolver resolver(held.function());
  std::atomic<bool> abort{false};
  StopFlags stop;
  stop.abort = &abort;
  auto future = std::async(std::launch::async, [&] { return resolver.lookup("h", 30, stop); });
  std::this_thread::sleep_for(milliseconds(1200));
  auto raised = std::chrono::steady_clock::now();
  abort = true;
  LookupResult r = future.get();
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.ok);
  EXPECT_LT(std::chrono::steady_clock::now() - raised, milliseconds(1500));
}

TEST(Resolver, FailedLookupIsNotOk) {
  Resolver resolver([](const std::string&) { return std::optional<uint32_t>(); });
  LookupResult r = resolver.lookup("nowhere", 5, {});
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.timed_out);
}

}  // namespace
}  // namespace ks::net
