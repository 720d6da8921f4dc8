#include "net/request.h"

#include <gtest/gtest.h>

#include "net/about.h"
#include "net/net_error.h"
#include "net/request_target.h"
#include "net/tls.h"
#include "platform/fs.h"
#include "platform/sjis.h"
#include "support/temp_dir.h"

namespace ks::net {
namespace {

TEST(RequestTarget, JapanesePathIsPercentEncodedUtf8AndQueryKeptAsWritten) {
  store::PageSettings settings;
  NetConfig config;
  RequestTarget t;
  std::string url = utf8_to_sjis("http://example.jp/日本/a b;c@d~e*(f)<g>\"h%41?q=あ b#top");
  ASSERT_EQ(prepare_request_target(settings, config, url, "", t), 0);
  // The query as written but for blanks and control bytes; no fragment.
  EXPECT_EQ(t.request_path,
            "/%E6%97%A5%E6%9C%AC/a%20b;c@d~e*(f)<g>\"h%41" + utf8_to_sjis("?q=あ%20b"));
  EXPECT_EQ(t.host, "example.jp");
  EXPECT_EQ(t.port, 80);
  EXPECT_FALSE(t.secure);
}

TEST(RequestTarget, UrlWithoutPathRequestsRootAndSchemeGivesPort) {
  store::PageSettings settings;
  NetConfig config;
  RequestTarget t;
  prepare_request_target(settings, config, "HTTPS://example.org", "", t);
  EXPECT_EQ(t.request_path, "/");
  EXPECT_TRUE(t.secure);
  EXPECT_EQ(t.port, 443);
  prepare_request_target(settings, config, "http://example.org:8080?x", "", t);
  EXPECT_EQ(t.request_path, "/?x");
  EXPECT_EQ(t.port, 8080);
}

TEST(RequestTarget, NonAsciiHostLabelsBecomePunycodeForHostAndLookup) {
  store::PageSettings settings;
  NetConfig config;
  RequestTarget t;
  prepare_request_target(settings, config, utf8_to_sjis("http://www.日本語.jp/"), "", t);
  EXPECT_EQ(t.host, "www.xn--wgv71a119e.jp");
  EXPECT_EQ(t.lookup_name, "www.xn--wgv71a119e.jp");
  RequestSpec spec;
  spec.host = t.host;
  spec.request_path = t.request_path;
  EXPECT_NE(build_request(spec).find("\r\nHost: www.xn--wgv71a119e.jp\r\n"), std::string::npos);
}

TEST(RequestTarget, EmptyUrlIsNoUrlAndUncrackableUrlHasNoHost) {
  store::PageSettings settings;
  NetConfig config;
  RequestTarget t;
  EXPECT_EQ(prepare_request_target(settings, config, "", "", t), kNetNoUrl);
  EXPECT_EQ(net_error_message(kNetNoUrl), KS_SJ("URL未設定"));
  EXPECT_EQ(prepare_request_target(settings, config, "example.org/x", "", t), 0);
  EXPECT_TRUE(t.host.empty());
  settings.kind = 4;
  settings.url = "http://a/";
  settings.browse_url = "http://b/";
  EXPECT_EQ(url_to_fetch(settings), "http://b/");
}

TEST(RequestTarget, ConditionalFlagFollowsUseHeadAndThePreviousHeader) {
  ks::test::TempDir dir;
  std::string html = dir.file("html.txt");
  store::PageSettings settings;
  NetConfig config;
  RequestTarget t;
  prepare_request_target(settings, config, "http://h/", html, t);
  EXPECT_FALSE(t.conditional);  // no previous response

  ASSERT_TRUE(
      write_file_atomic(html, "HTTP/1.1 200 OK\r\nLAST-MODIFIED: \tWed, 1 Jan 2025\r\n\r\n"));
  prepare_request_target(settings, config, "http://h/", html, t);
  EXPECT_TRUE(t.conditional);
  EXPECT_EQ(t.last_modified, "Wed, 1 Jan 2025");

  settings.dont_use_head = 1;
  prepare_request_target(settings, config, "http://h/", html, t);
  EXPECT_FALSE(t.conditional);
  settings.dont_use_head = 0;
  config.use_head = false;
  prepare_request_target(settings, config, "http://h/", html, t);
  EXPECT_FALSE(t.conditional);

  // Only the header block counts, and an empty value is no value.
  config.use_head = true;
  ASSERT_TRUE(write_file_atomic(html, "HTTP/1.1 200 OK\r\nLast-Modified:\r\n\r\n"));
  prepare_request_target(settings, config, "http://h/", html, t);
  EXPECT_FALSE(t.conditional);
  ASSERT_TRUE(write_file_atomic(html, "HTTP/1.1 200 OK\r\n\r\nLast-Modified: body\r\n"));
  prepare_request_target(settings, config, "http://h/", html, t);
  EXPECT_FALSE(t.conditional);

  // A long header line before it does not end the header block early.
  for (std::size_t n : {97u, 98u, 99u, 300u}) {
    ASSERT_TRUE(write_file_atomic(
        html, "HTTP/1.1 200 OK\r\nX: " + std::string(n - 3, 'a') + "\r\nLast-Modified: v\r\n\r\n"));
    prepare_request_target(settings, config, "http://h/", html, t);
    EXPECT_EQ(t.last_modified, "v") << n;
  }
}

TEST(Request, ProxyTargetNamesNonDefaultPortsOnly) {
  RequestSpec spec;
  spec.via_proxy = true;
  spec.host = "h";
  spec.request_path = "/p";
  spec.port = 80;
  EXPECT_EQ(absolute_target(spec), "http://h/p");
  spec.secure = true;
  spec.port = 443;
  EXPECT_EQ(absolute_target(spec), "https://h/p");
  spec.port = 8443;
  EXPECT_EQ(absolute_target(spec), "https://h:8443/p");
}

TEST(Request, OversizedLinesAreLeftOutWithinTheBuffer) {
  RequestSpec spec;
  spec.host = "h";
  spec.request_path = "/" + std::string(65200, 'a');
  spec.if_modified_since = std::string(500, 'd');
  spec.basic_credentials = "u:p";
  std::string request = build_request(spec);
  EXPECT_LT(request.size(), kRequestBufferSize);
  EXPECT_EQ(request.find("If-Modified-Since"), std::string::npos);
  EXPECT_NE(request.find("Authorization: Basic dTpw\r\n"), std::string::npos);
  EXPECT_TRUE(request.ends_with("\r\n\r\n"));
}

TEST(Request, ConnectNamesHostAndPortOnly) {
  EXPECT_EQ(build_connect_request("example.org", 8443),
            "CONNECT example.org:8443 HTTP/1.1\r\n\r\n");
}

TEST(Request, Base64MatchesTheStandardAlphabet) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode("\xff\xfe\xfd"), "//79");
  EXPECT_EQ(base64_encode("user:pa:ss"), "dXNlcjpwYTpzcw==");
}

TEST(TlsLibrary, MissingLibraryLeavesTlsUnavailableAndTheAboutBoxSaysSo) {
  TlsLibrary lib;
  lib.load("libssl-missing-for-test.so.3", "libcrypto.so.3");
  EXPECT_FALSE(lib.available());
  EXPECT_TRUE(lib.version_text().empty());
  std::string about = library_version_lines(lib);
  EXPECT_EQ(about.find(KS_SJ("zlibのﾊﾞｰｼﾞｮﾝ : ")), 0u);
  EXPECT_NE(about.find(KS_SJ("OpenSSL : ロードされていません。\r\n")), std::string::npos);

  // Only libcrypto missing: still unavailable.
  lib.load("libssl.so.3", "libcrypto-missing-for-test.so.3");
  EXPECT_FALSE(lib.available());
}

TEST(TlsLibrary, LoadedLibraryGivesItsVersion) {
  TlsLibrary lib;
  lib.load();
  if (!lib.available()) GTEST_SKIP() << "libssl.so.3 is not installed";
  EXPECT_EQ(lib.version_text().rfind("OpenSSL 3", 0), 0u);
  EXPECT_NE(library_version_lines(lib).find(KS_SJ("OpenSSLのﾊﾞｰｼﾞｮﾝ : ") + lib.version_text()),
            std::string::npos);
  lib.unload();
  EXPECT_FALSE(lib.available());
  lib.load_for_application();  // nothing beside the test program: the system's
  EXPECT_TRUE(lib.available());
}

TEST(NetError, EveryCodeHasItsMessage) {
  EXPECT_EQ(net_error_message(kNetTimeout), KS_SJ("通信タイムアウト"));
  EXPECT_EQ(net_error_message(kNetReceiveFailed), KS_SJ("HTTP受信エラー"));
  EXPECT_EQ(net_error_message(kNetUnsafeLegacyRenegotiation), "unsafe legacy renegotiation");
  EXPECT_EQ(net_error_message(12345), KS_SJ("通信エラー"));
  EXPECT_TRUE(net_error_message(0).empty());
}

}  // namespace
}  // namespace ks::net
