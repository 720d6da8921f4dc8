// The TLS client's handling of the library's answers, through a fake entry
// table: failures that a real local server cannot easily produce.
#include "net/tls.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/net_error.h"

namespace ks::net {
namespace {

// What the fake library does; one test at a time uses it.
struct Fake {
  bool ctx_fails = false;
  int connect_result = 1;
  int ssl_error = 0;
  std::vector<unsigned long> errors;  // ERR_get_error answers, then 0
  uint64_t options = 0;
  long min_version = 0;
  std::string server_name;
  int write_result = 0;
  int frees = 0;
};
Fake fake;
char ctx_object, ssl_object;

TlsLibrary::Functions fake_functions() {
  TlsLibrary::Functions f;
  f.OpenSSL_version = [](int) { return "OpenSSL 3.0.99 fake"; };
  f.CONF_modules_finish = [] {};
  f.CONF_modules_unload = [](int) {};
  f.OpenSSL_version_num = []() -> unsigned long { return 0x30000000UL; };
  f.ERR_get_error = []() -> unsigned long {
    if (fake.errors.empty()) return 0;
    unsigned long e = fake.errors.front();
    fake.errors.erase(fake.errors.begin());
    return e;
  };
  f.TLS_client_method = []() -> const void* { return &ctx_object; };
  f.SSL_CTX_new = [](const void*) -> void* { return fake.ctx_fails ? nullptr : &ctx_object; };
  f.SSL_new = [](void*) -> void* { return &ssl_object; };
  f.SSL_set_fd = [](void*, int) { return 1; };
  f.SSL_connect = [](void*) { return fake.connect_result; };
  f.SSL_get_error = [](const void*, int) { return fake.ssl_error; };
  f.SSL_write = [](void*, const void*, int) { return fake.write_result; };
  f.SSL_read = [](void*, void*, int) { return 0; };
  f.SSL_get_shutdown = [](const void*) { return 0; };
  f.SSL_shutdown = [](void*) { return 1; };
  f.SSL_free = [](void*) { ++fake.frees; };
  f.SSL_CTX_free = [](void*) { ++fake.frees; };
  f.SSL_CTX_ctrl = [](void*, int cmd, long value, void*) -> long {
    if (cmd == 123) fake.min_version = value;
    return 1;
  };
  f.SSL_CIPHER_description = [](const void*, char* b, int) { return b; };
  f.SSL_get_current_cipher = [](const void*) -> const void* { return nullptr; };
  f.SSL_get_version = [](const void*) { return "TLSv1.3"; };
  f.SSL_ctrl = [](void*, int cmd, long, void* arg) -> long {
    if (cmd == 55) fake.server_name = static_cast<const char*>(arg);
    return 1;
  };
  f.SSL_set_security_level = [](void*, int) {};
  f.SSL_CTX_set_options = [](void*, uint64_t o) -> uint64_t { return fake.options |= o; };
  return f;
}

class TlsFakeTest : public ::testing::Test {
 protected:
  TlsFakeTest() {
    fake = Fake{};
    lib.use_functions(fake_functions());
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
  }
  ~TlsFakeTest() override {
    ::close(fds[0]);
    ::close(fds[1]);
  }
  int handshake(bool legacy) {
    TlsConnection c(lib);
    return c.handshake(fds[0], "example.org", legacy, Deadline(5), {});
  }
  TlsLibrary lib;
  int fds[2] = {-1, -1};
};

TEST_F(TlsFakeTest, ConfiguresVersionOptionsAndServerName) {
  ASSERT_TRUE(lib.available());
  EXPECT_EQ(handshake(false), 0);
  EXPECT_EQ(fake.min_version, 0x301);
  EXPECT_EQ(fake.options, 0x80u);
  EXPECT_EQ(fake.server_name, "example.org");
  EXPECT_EQ(fake.frees, 2);  // session and context
  fake.options = 0;
  EXPECT_EQ(handshake(true), 0);
  EXPECT_EQ(fake.options, 0x84u);
}

TEST_F(TlsFakeTest, UnsafeLegacyRenegotiationHasItsOwnCode) {
  fake.connect_result = -1;
  fake.ssl_error = kSslErrorSsl;
  fake.errors = {0x1234, 0};  // left over from earlier calls: must be ignored
  fake.errors.push_back(kSslUnsafeLegacyRenegotiation);
  EXPECT_EQ(handshake(false), kNetUnsafeLegacyRenegotiation);
  fake.errors = {0x0A000086UL};  // another reason
  EXPECT_EQ(handshake(false), kNetConnectFailed);
}

TEST_F(TlsFakeTest, FailuresToSetUpOrShakeHandsAreConnectFailures) {
  fake.ctx_fails = true;
  EXPECT_EQ(handshake(false), kNetConnectFailed);
  fake.ctx_fails = false;
  fake.connect_result = 0;
  EXPECT_EQ(handshake(false), kNetConnectFailed);
}

TEST_F(TlsFakeTest, HandshakeThatKeepsWaitingTimesOut) {
  fake.connect_result = -1;
  fake.ssl_error = kSslWantRead;  // the peer never answers
  TlsConnection c(lib);
  auto start = Clock::now();
  EXPECT_EQ(c.handshake(fds[0], "h", false, Deadline(1), {}), kNetTimeout);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(c.last_error(), kSslWantRead);
}

TEST_F(TlsFakeTest, WriteOfNothingFailsAndReadOfNothingEndsTheStream) {
  TlsConnection c(lib);
  ASSERT_EQ(c.handshake(fds[0], "h", false, Deadline(5), {}), 0);
  fake.write_result = 0;
  EXPECT_EQ(c.write("GET", Deadline(5), {}).net_error, kNetConnectFailed);
  char buf[16];
  for (int end : {kSslZeroReturn, kSslErrorSyscall}) {
    fake.ssl_error = end;
    TlsIo io = c.read(buf, sizeof buf, Deadline(5), {});
    EXPECT_TRUE(io.closed);
    EXPECT_EQ(io.net_error, 0);
  }
  fake.ssl_error = kSslErrorSsl;
  EXPECT_EQ(c.read(buf, sizeof buf, Deadline(5), {}).net_error, kNetReceiveFailed);
}

TEST_F(TlsFakeTest, IncompleteTableIsUnavailable) {
  TlsLibrary::Functions f = fake_functions();
  f.SSL_CTX_set_options = nullptr;
  lib.use_functions(f);
  EXPECT_FALSE(lib.available());
  EXPECT_TRUE(lib.version_text().empty());
}

}  // namespace
}  // namespace ks::net
