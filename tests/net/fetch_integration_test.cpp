// Fetches from real peers started on loopback: nginx as the origin server
// (plain and TLS) and tinyproxy as a forward proxy.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <fstream>
#include <memory>

#include "net/net_error.h"
#include "net/request_target.h"
#include "net/response_reader.h"
#include "net/tls.h"
#include "net/transfer.h"
#include "platform/fs.h"
#include "support/peers.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"

namespace ks::net {
namespace {

// The sink of the reading stage, recording what the converter would get.
class Recorder : public BodySink {
 public:
  bool begin_pass(int) override {
    lines.clear();
    body.clear();
    return true;
  }
  void text_line(std::string_view line) override { lines.emplace_back(line); }
  void header_charset(std::string_view) override {}
  void begin_body() override {}
  bool write(std::string_view bytes) override {
    body.append(bytes);
    return true;
  }
  void raw_bytes(std::string_view) override {}
  bool end_pass() override { return false; }
  std::vector<std::string> lines;
  std::string body;
};

std::string page_text(std::size_t size) {
  std::string s = "<html><head><title>t</title></head><body>\n";
  for (int i = 0; s.size() < size; ++i) s += "<p>line " + std::to_string(i * 7919) + "</p>\n";
  return s + "</body></html>\n";
}

class FetchIntegration : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    peers_dir_ = new ks::test::TempDir();
    nginx_ = new ks::test::NginxPeer(peers_dir_->path());
    if (nginx_->ok()) {
      std::ofstream(nginx_->www() + "/static/page.html") << page_text(3000);
      std::ofstream(nginx_->www() + "/static/big.html") << page_text(400000);
    }
    tls_ = new TlsLibrary();
    tls_->load();
  }
  static void TearDownTestSuite() {
    delete tls_;
    delete nginx_;
    delete peers_dir_;
  }

  void SetUp() override {
    if (!nginx_->installed()) GTEST_SKIP() << nginx_->error();
    ASSERT_TRUE(nginx_->ok()) << nginx_->error();
    config.timeout_seconds = 20;
    config.tls = tls_;
  }

  struct Fetched {
    TransferResult transfer;
    ResponseReadResult read;
    Recorder text;
  };

  // The first hop of an item whose URL is `url`.
  Fetched fetch(const std::string& url) {
    Fetched f;
    settings.url = url;
    RequestTarget target;
    prepare_request_target(settings, config, url, dir.file("html.txt"), target);
    TransferParams p;
    p.settings = &settings;
    p.target = &target;
    p.address = htonl(INADDR_LOOPBACK);
    p.response_path = dir.file("htmltmp.txt");
    p.auth_password = password;
    p.config = &config;
    f.transfer = run_transfer(p);
    ResponseReadOptions options;
    options.current_url = url;
    f.read = read_response_file(p.response_path, f.text, options);
    return f;
  }

  std::string origin(const std::string& path, bool https = false) const {
    return std::string(https ? "https" : "http") +
           "://127.0.0.1:" + std::to_string(https ? nginx_->https_port() : nginx_->http_port()) +
           path;
  }
  std::string file(const std::string& name) const {
    return read_file(nginx_->www() + "/static/" + name).value_or("?");
  }

  static ks::test::TempDir* peers_dir_;
  static ks::test::NginxPeer* nginx_;
  static TlsLibrary* tls_;
  ks::test::TempDir dir;
  store::PageSettings settings;
  NetConfig config;
  std::string password;
};

ks::test::TempDir* FetchIntegration::peers_dir_ = nullptr;
ks::test::NginxPeer* FetchIntegration::nginx_ = nullptr;
TlsLibrary* FetchIntegration::tls_ = nullptr;

TEST_F(FetchIntegration, StaticPageThenNotModified) {
  Fetched first = fetch(origin("/static/page.html"));
  ASSERT_TRUE(first.transfer.ok) << first.transfer.net_error;
  EXPECT_EQ(first.read.outcome, store::CheckStatus::kNoChange);
  ASSERT_EQ(first.text.lines.size(), 1u);
  EXPECT_EQ(first.text.lines[0].rfind("Last-Modified: ", 0), 0u);
  EXPECT_EQ(first.text.body, file("page.html"));

  // The kept response makes the next request conditional.
  ASSERT_TRUE(copy_file(dir.file("htmltmp.txt"), dir.file("html.txt")));
  Fetched second = fetch(origin("/static/page.html"));
  EXPECT_TRUE(second.transfer.ok);
  EXPECT_EQ(second.read.http_status, 304);
  EXPECT_EQ(second.read.outcome, store::CheckStatus::kNotModified);
}

TEST_F(FetchIntegration, GzipChunkedAndPlainChunkedBodies) {
  Fetched gz = fetch(origin("/gz/big.html"));
  ASSERT_TRUE(gz.transfer.ok);
  std::string raw = read_file(dir.file("htmltmp.txt")).value_or("");
  EXPECT_NE(raw.find("Content-Encoding: gzip"), std::string::npos);
  EXPECT_NE(raw.find("Transfer-Encoding: chunked"), std::string::npos);
  EXPECT_EQ(gz.read.outcome, store::CheckStatus::kNoChange);
  EXPECT_EQ(gz.text.body, file("big.html"));

  Fetched ch = fetch(origin("/chunked/big.html"));
  ASSERT_TRUE(ch.transfer.ok);
  EXPECT_EQ(ch.text.body, file("big.html"));
}

TEST_F(FetchIntegration, BasicAuthorization) {
  Fetched refused = fetch(origin("/secret/page.html"));
  EXPECT_EQ(refused.read.http_status, 401);
  EXPECT_EQ(refused.read.outcome, store::CheckStatus::kHttpError);

  settings.auth_type = 1;
  settings.auth_id = "user";
  password = "pa:ss";
  Fetched allowed = fetch(origin("/secret/page.html"));
  EXPECT_EQ(allowed.read.http_status, 200);
  EXPECT_EQ(allowed.text.body, file("page.html"));
}

TEST_F(FetchIntegration, RelativeRedirectsResolveAgainstTheUrl) {
  Fetched abs = fetch(origin("/redir/rel"));
  EXPECT_EQ(abs.read.http_status, 302);
  EXPECT_EQ(abs.read.redirect_target, origin("/static/page.html"));
  Fetched rel = fetch(origin("/redir/relpath"));
  EXPECT_EQ(rel.read.redirect_target, origin("/static/page.html"));
}

TEST_F(FetchIntegration, HttpsWithASelfSignedCertificate) {
  if (!tls_->available()) GTEST_SKIP() << "libssl.so.3 is not installed";
  Fetched f = fetch(origin("/gz/page.html", true));
  ASSERT_TRUE(f.transfer.ok) << f.transfer.net_error;
  EXPECT_EQ(f.text.body, file("page.html"));
}

TEST_F(FetchIntegration, ThroughTinyproxyAbsoluteFormAndConnectTunnel) {
  ks::test::TempDir proxy_dir;
  ks::test::TinyproxyPeer proxy(proxy_dir.path());
  if (!proxy.installed()) GTEST_SKIP() << proxy.error();
  ASSERT_TRUE(proxy.ok()) << proxy.error();
  config.use_proxy = true;
  config.proxy_host = "127.0.0.1";
  config.proxy_port = proxy.port();

  Fetched plain = fetch(origin("/gz/big.html"));
  ASSERT_TRUE(plain.transfer.ok) << plain.transfer.net_error;
  EXPECT_EQ(plain.read.http_status, 200);
  EXPECT_EQ(plain.text.body, file("big.html"));

  if (!tls_->available()) GTEST_SKIP() << "libssl.so.3 is not installed";
  ks::test::ServerOptions tls_options;
  tls_options.tls = true;
  ks::test::ScriptedServer secure(tls_options);
  secure.on("/t", ks::test::ScriptedResponse::whole(
                      "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\ntunnel"));
  std::string url = "https://127.0.0.1:" + std::to_string(secure.port()) + "/t";
  Fetched tunnelled = fetch(url);
  ASSERT_TRUE(tunnelled.transfer.ok) << tunnelled.transfer.net_error;
  EXPECT_EQ(tunnelled.text.body, "tunnel");
  EXPECT_EQ(secure.requests().at(0).rfind("GET " + url + " HTTP/1.1\r\n", 0), 0u);

  // nginx's TLS port through the tunnel as well.
  Fetched nginx_tls = fetch(origin("/static/page.html", true));
  ASSERT_TRUE(nginx_tls.transfer.ok) << nginx_tls.transfer.net_error;
  EXPECT_EQ(nginx_tls.text.body, file("page.html"));
}

}  // namespace
}  // namespace ks::net
