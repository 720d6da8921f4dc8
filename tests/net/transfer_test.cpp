#include "net/transfer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "net/net_error.h"
#include "net/net_test_util.h"
#include "net/request_target.h"
#include "net/response_reader.h"
#include "net/tls.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

namespace ks::net {
namespace {

using ks::test::ScriptedResponse;
using ks::test::ScriptedServer;
using ks::test::ServerOptions;
using std::chrono::milliseconds;

const TlsLibrary& loaded_tls() {
  static TlsLibrary* lib = [] {
    auto* l = new TlsLibrary();  // lives for the whole test program
    l->load();
    return l;
  }();
  return *lib;
}

const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

const char* const kOkResponse =
    "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello";

class TransferTest : public ::testing::Test {
 protected:
  TransferTest() {
    config.timeout_seconds = 10;
    config.tls = &loaded_tls();
  }

  struct Fetched {
    TransferResult result;
    std::string response;
    RequestTarget target;
  };

  // The first hop of an item whose URL is `url`.
  Fetched fetch(const std::string& url) {
    Fetched f;
    settings.url = url;
    EXPECT_EQ(prepare_request_target(settings, config, url, dir.file("html.txt"), f.target), 0);
    TransferParams p;
    p.settings = &settings;
    p.target = &f.target;
    p.address = kLoopback;
    p.response_path = dir.file("htmltmp.txt");
    p.auth_password = password;
    p.config = &config;
    p.stop.abort = &abort;
    f.result = run_transfer(p);
    f.response = read_file(p.response_path).value_or("");
    return f;
  }

  // Runs fetch(url) on a thread, raises the abort flag after `after_ms` and
  // returns how long the transfer took to end after that.
  std::pair<Fetched, milliseconds> fetch_and_abort(const std::string& url, int after_ms) {
    auto future = std::async(std::launch::async, [&] { return fetch(url); });
    std::this_thread::sleep_for(milliseconds(after_ms));
    auto raised = std::chrono::steady_clock::now();
    abort = true;
    Fetched f = future.get();
    return {f, std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - raised)};
  }

  std::string local(const ScriptedServer& s, const std::string& path, bool https = false) {
    return std::string(https ? "https" : "http") + "://127.0.0.1:" + std::to_string(s.port()) +
           path;
  }

  ks::test::TempDir dir;
  store::PageSettings settings;
  NetConfig config;
  std::string password;
  std::atomic<bool> abort{false};
};

std::string request_head(const std::string& first_line, const std::string& host) {
  return first_line +
         "\r\nAccept: */*\r\nAccept-Language: ja\r\nUser-Agent: Mozilla/5.0 (compatible; "
         "Kestrelscan/0.134; Windows)\r\nHost: " +
         host + "\r\nAccept-Encoding: gzip\r\nConnection: close\r\n";
}

TEST_F(TransferTest, DirectRequestIsSentByteForByteAndResponseStoredAsReceived) {
  ScriptedServer server;
  server.on("/dir/page?x=1", ScriptedResponse::whole(kOkResponse));
  auto f = fetch(local(server, "/dir/page?x=1"));
  EXPECT_TRUE(f.result.ok);
  EXPECT_EQ(f.result.net_error, 0);
  EXPECT_EQ(f.response, kOkResponse);
  EXPECT_EQ(f.result.received_bytes, static_cast<int64_t>(f.response.size()));
  ASSERT_EQ(server.requests().size(), 1u);
  EXPECT_EQ(server.requests()[0], request_head("GET /dir/page?x=1 HTTP/1.1", "127.0.0.1") + "\r\n");
}

TEST_F(TransferTest, ProxyRequestUsesAbsoluteTargetAndPragma) {
  ScriptedServer proxy;
  proxy.on("/p", ScriptedResponse::whole(kOkResponse));
  config.use_proxy = true;
  config.proxy_host = "127.0.0.1";
  config.proxy_port = proxy.port();
  auto f = fetch("http://origin.test:8080/p");
  EXPECT_TRUE(f.result.ok);
  EXPECT_EQ(f.target.lookup_name, "127.0.0.1");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0],
            request_head("GET http://origin.test:8080/p HTTP/1.1", "origin.test") +
                "Pragma: no-cache\r\n\r\n");

  settings.noproxy = 1;
  RequestTarget direct;
  prepare_request_target(settings, config, "http://origin.test/p", "", direct);
  EXPECT_FALSE(direct.via_proxy);
  EXPECT_EQ(direct.lookup_name, "origin.test");
}

TEST_F(TransferTest, ConditionalHeadAndAuthorizationLines) {
  ScriptedServer server;
  server.on_default(ScriptedResponse::whole("HTTP/1.1 304 Not Modified\r\n\r\n"));
  ASSERT_TRUE(write_file_atomic(dir.file("html.txt"),
                                "HTTP/1.1 200 OK\r\nlast-modified:   Sun, 06 Nov 1994 08:49:37 "
                                "GMT\r\n\r\nLast-Modified: not this\r\n"));
  settings.check_by_http_header = 1;
  settings.auth_type = 1;
  settings.auth_id = "user";
  password = "pa:ss";
  auto f = fetch(local(server, "/"));
  EXPECT_TRUE(f.result.ok);
  EXPECT_EQ(server.requests().at(0), request_head("HEAD / HTTP/1.1", "127.0.0.1") +
                                         "If-Modified-Since: Sun, 06 Nov 1994 08:49:37 GMT\r\n"
                                         "Authorization: Basic dXNlcjpwYTpzcw==\r\n\r\n");

  // After the item's settings changed, the condition is left out.
  settings.option_changed = 1;
  settings.auth_type = 0;
  settings.check_by_http_header = 0;
  fetch(local(server, "/"));
  EXPECT_EQ(server.requests().at(1), request_head("GET / HTTP/1.1", "127.0.0.1") + "\r\n");
}

TEST_F(TransferTest, TimeoutHitsWhileDataStillTrickles) {
  ScriptedServer server;
  server.on_default(ScriptedResponse::trickle("HTTP/1.1 200 OK\r\n\r\n", "x", 40, 200));
  config.timeout_seconds = 2;
  auto start = std::chrono::steady_clock::now();
  auto f = fetch(local(server, "/"));
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(f.result.ok);
  EXPECT_EQ(f.result.net_error, kNetTimeout);
  EXPECT_EQ(net_error_message(f.result.net_error), KS_SJ("通信タイムアウト"));
  EXPECT_GE(took, std::chrono::seconds(2));
  EXPECT_LT(took, std::chrono::seconds(7));
}

TEST_F(TransferTest, RefusedResetAndEmptyResponsesGiveTheirCodes) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = kLoopback;
  socklen_t len = sizeof sa;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len), 0);
  ::close(fd);  // nothing listens there now
  auto refused = fetch("http://127.0.0.1:" + std::to_string(ntohs(sa.sin_port)) + "/");
  EXPECT_EQ(refused.result.net_error, kNetConnectFailed);

  ScriptedServer server;
  ScriptedResponse reset = ScriptedResponse::whole(
      "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'a'));
  reset.end = ScriptedResponse::End::kReset;
  reset.end_delay_ms = 100;
  server.on("/reset", reset);
  server.on("/empty", ScriptedResponse{});
  server.on("/garbage", ScriptedResponse::whole("not http at all"));
  EXPECT_EQ(fetch(local(server, "/reset")).result.net_error, kNetReceiveFailed);
  auto empty = fetch(local(server, "/empty"));
  EXPECT_EQ(empty.result.net_error, kNetReceiveFailed);
  EXPECT_FALSE(empty.result.ok);
  // A non-HTTP answer is still a received response; reading it gives status 0.
  auto garbage = fetch(local(server, "/garbage"));
  EXPECT_TRUE(garbage.result.ok);
  test::RecordingSink sink;
  auto read = read_response_file(dir.file("htmltmp.txt"), sink, {});
  EXPECT_EQ(read.http_status, 0);
  EXPECT_EQ(read.outcome, store::CheckStatus::kHttpError);
}

TEST_F(TransferTest, HalfCloseEndsTheResponse) {
  ScriptedServer server;
  ScriptedResponse r = ScriptedResponse::whole(kOkResponse);
  r.end = ScriptedResponse::End::kHalfClose;
  server.on_default(r);
  auto f = fetch(local(server, "/"));
  EXPECT_TRUE(f.result.ok);
  EXPECT_EQ(f.response, kOkResponse);
}

TEST_F(TransferTest, ChunkBoundariesSplitAcrossReceivesDecodeToThePlainBody) {
  const std::string body = test::sample_body(200000);
  const std::string response =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n" +
      test::chunked(test::gzip_bytes(body), 3001);
  // Cut inside chunk-size lines, inside CR LF pairs and inside data.
  std::vector<std::size_t> cuts;
  for (std::size_t at = 60; at < response.size(); at += 2999) cuts.push_back(at);
  ScriptedServer server;
  server.on_default(ScriptedResponse::split(response, cuts, 2));
  auto f = fetch(local(server, "/"));
  ASSERT_TRUE(f.result.ok);
  EXPECT_EQ(f.response, response);
  test::RecordingSink sink;
  auto read = read_response_file(dir.file("htmltmp.txt"), sink, {});
  EXPECT_EQ(read.outcome, store::CheckStatus::kNoChange);
  EXPECT_EQ(sink.body, body);
}

TEST_F(TransferTest, ReceivedBytesAddToTheProgramCounters) {
  ScriptedServer server;
  server.on_default(ScriptedResponse::whole(kOkResponse));
  int64_t day = received_counters().day, total = received_counters().total;
  auto f = fetch(local(server, "/"));
  EXPECT_EQ(received_counters().day - day, f.result.received_bytes);
  EXPECT_EQ(received_counters().total - total, f.result.received_bytes);
}

TEST_F(TransferTest, UnwritableResponseFileIsAConnectFailure) {
  TransferParams p;
  RequestTarget t;
  prepare_request_target(settings, config, "http://127.0.0.1:1/", "", t);
  p.settings = &settings;
  p.target = &t;
  p.address = kLoopback;
  p.response_path = dir.file("no/such/folder/htmltmp.txt");
  p.config = &config;
  EXPECT_EQ(run_transfer(p).net_error, kNetConnectFailed);
}

// --- The stop flag ends every wait within about a second -----------------

TEST_F(TransferTest, AbortEndsAWaitForTheResponse) {
  ScriptedServer server;
  ScriptedResponse hold = ScriptedResponse::whole("HTTP/1.1 200 OK\r\n");
  hold.end = ScriptedResponse::End::kHold;
  server.on_default(hold);
  auto [f, took] = fetch_and_abort(local(server, "/"), 400);
  EXPECT_TRUE(f.result.stopped);
  EXPECT_EQ(f.result.net_error, 0);
  EXPECT_FALSE(f.result.ok);
  EXPECT_LT(took, milliseconds(2000));
}

TEST_F(TransferTest, AbortEndsAWaitForTheTlsHandshake) {
  ServerOptions options;
  options.tls = true;
  options.tls_stall_handshake = true;
  ScriptedServer server(options);
  auto [f, took] = fetch_and_abort(local(server, "/", true), 400);
  EXPECT_TRUE(f.result.stopped);
  EXPECT_LT(took, milliseconds(2000));
}

TEST_F(TransferTest, AbortEndsAWaitForTheProxyAnswer) {
  ScriptedServer proxy;  // reads the CONNECT request and never answers
  ScriptedResponse hold;
  hold.end = ScriptedResponse::End::kHold;
  proxy.on_default(hold);
  config.use_proxy = true;
  config.proxy_host = "127.0.0.1";
  config.proxy_port = proxy.port();
  auto [f, took] = fetch_and_abort("https://origin.test/", 400);
  EXPECT_TRUE(f.result.stopped);
  EXPECT_LT(took, milliseconds(2000));
}

TEST_F(TransferTest, AbortEndsAWaitForTheConnection) {
  // A listener that never accepts, with a full queue: further connection
  // attempts stay pending.
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = kLoopback;
  socklen_t len = sizeof sa;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len), 0);
  std::vector<int> fillers;
  bool pending = false;
  for (int i = 0; i < 8 && !pending; ++i) {
    int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    fillers.push_back(c);
    ::connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    pollfd p{c, POLLOUT, 0};
    pending = ::poll(&p, 1, 300) == 0;
  }
  if (pending) {
    auto [f, took] =
        fetch_and_abort("http://127.0.0.1:" + std::to_string(ntohs(sa.sin_port)) + "/", 400);
    EXPECT_TRUE(f.result.stopped);
    EXPECT_LT(took, milliseconds(2000));
  }
  for (int c : fillers) ::close(c);
  ::close(listener);
  if (!pending) GTEST_SKIP() << "this system accepts connections beyond the listen queue";
}

// --- TLS -----------------------------------------------------------------

TEST_F(TransferTest, TlsToASelfSignedServer) {
  if (!loaded_tls().available()) GTEST_SKIP() << "libssl.so.3 is not installed";
  ServerOptions options;
  options.tls = true;
  ScriptedServer server(options);
  server.on("/secure", ScriptedResponse::whole(kOkResponse));
  auto f = fetch(local(server, "/secure", true));
  EXPECT_TRUE(f.result.ok) << f.result.net_error;
  EXPECT_EQ(f.response, kOkResponse);
  EXPECT_EQ(server.requests().at(0), request_head("GET /secure HTTP/1.1", "127.0.0.1") + "\r\n");
}

TEST_F(TransferTest, TlsServerClosingWithoutCloseNotifyGivesACompleteResponse) {
  if (!loaded_tls().available()) GTEST_SKIP() << "libssl.so.3 is not installed";
  ServerOptions options;
  options.tls = true;
  ScriptedServer server(options);
  ScriptedResponse r = ScriptedResponse::whole(kOkResponse);
  r.tls_close_notify = false;
  server.on_default(r);
  auto f = fetch(local(server, "/", true));
  EXPECT_TRUE(f.result.ok) << f.result.net_error;
  EXPECT_EQ(f.response, kOkResponse);
}

TEST_F(TransferTest, HttpsWithoutTlsLibraryFailsWithoutSendingClearText) {
  TlsLibrary missing;
  missing.load("libssl-missing-for-test.so.3", "libcrypto.so.3");
  ASSERT_FALSE(missing.available());
  config.tls = &missing;
  ScriptedServer server;
  server.on_default(ScriptedResponse::whole(kOkResponse));
  auto f = fetch(local(server, "/", true));
  EXPECT_EQ(f.result.net_error, kNetConnectFailed);
  server.stop();
  for (const std::string& request : server.requests()) EXPECT_EQ(request, "");
}

TEST_F(TransferTest, HttpsThroughProxyTunnelsToTheUrlsOwnPort) {
  if (!loaded_tls().available()) GTEST_SKIP() << "libssl.so.3 is not installed";
  ServerOptions tls_options;
  tls_options.tls = true;
  ScriptedServer origin(tls_options);
  origin.on("/p", ScriptedResponse::whole(kOkResponse));
  ServerOptions proxy_options;
  proxy_options.proxy = true;
  ScriptedServer proxy(proxy_options);
  config.use_proxy = true;
  config.proxy_host = "127.0.0.1";
  config.proxy_port = proxy.port();
  std::string port = std::to_string(origin.port());
  auto f = fetch("https://127.0.0.1:" + port + "/p");
  EXPECT_TRUE(f.result.ok) << f.result.net_error;
  EXPECT_EQ(f.response, kOkResponse);
  EXPECT_EQ(proxy.requests().at(0), "CONNECT 127.0.0.1:" + port + " HTTP/1.1\r\n\r\n");
  EXPECT_EQ(origin.requests().at(0),
            request_head("GET https://127.0.0.1:" + port + "/p HTTP/1.1", "127.0.0.1") +
                "Pragma: no-cache\r\n\r\n");
}

TEST_F(TransferTest, ProxyRefusingConnectIsAReceiveError) {
  ServerOptions proxy_options;
  proxy_options.proxy = true;
  proxy_options.connect_answer = "HTTP/1.1 500 Unable to connect\r\n\r\n";
  ScriptedServer proxy(proxy_options);
  config.use_proxy = true;
  config.proxy_host = "127.0.0.1";
  config.proxy_port = proxy.port();
  auto f = fetch("https://origin.test/");
  EXPECT_EQ(f.result.net_error, kNetReceiveFailed);
}

TEST_F(TransferTest, HttpsThroughProxyWithoutTlsSendsThePlainAbsoluteRequest) {
  TlsLibrary missing;
  missing.load("libssl-missing-for-test.so.3", "libcrypto.so.3");
  config.tls = &missing;
  ScriptedServer proxy;
  proxy.on_default(ScriptedResponse::whole(kOkResponse));
  config.use_proxy = true;
  config.proxy_host = "127.0.0.1";
  config.proxy_port = proxy.port();
  auto f = fetch("https://origin.test/x");
  EXPECT_TRUE(f.result.ok);
  EXPECT_EQ(proxy.requests().at(0).substr(0, 37), "GET https://origin.test/x HTTP/1.1\r\nA");
}

}  // namespace
}  // namespace ks::net
