// Hostile servers, met through kestrelscan-cli check against the scripted
// server: credentials stay with the item's origin, nothing a server sent is
// replayed into a request, only http and https redirects are followed, and
// downloads and inflation are bounded.
#include <zlib.h>

#include <string>

#include "hostile_fixture.h"
#include "platform/sjis.h"

namespace ks::test {
namespace {

class HostileNetwork : public HostileTest {
 protected:
  // `errors`: whether items of the run end in an error (exit status 3).
  void check(bool errors) {
    const CliRun r = cli({"check"});
    EXPECT_EQ(r.status, errors ? 3 : 0) << r.out << r.err;
  }
  std::string result(const std::string& item) { return item_text(item, "result.db"); }
};

// gzip of `size` blanks, made in pieces (the whole would be large).
std::string gzip_of_blanks(std::size_t size) {
  z_stream zs{};
  deflateInit2(&zs, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
  const std::string blanks(1 << 20, ' ');
  std::string out;
  char buf[65536];
  for (std::size_t done = 0; done < size; done += blanks.size()) {
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(blanks.data()));
    zs.avail_in = static_cast<uInt>(blanks.size());
    const int flush = done + blanks.size() >= size ? Z_FINISH : Z_NO_FLUSH;
    do {
      zs.next_out = reinterpret_cast<Bytef*>(buf);
      zs.avail_out = sizeof buf;
      deflate(&zs, flush);
      out.append(buf, sizeof buf - zs.avail_out);
    } while (zs.avail_out == 0);
  }
  deflateEnd(&zs);
  return out;
}

TEST_F(HostileNetwork, CredentialsGoOnlyToTheOriginOfTheItemsUrl) {
  ScriptedServer item_server;
  ScriptedServer elsewhere;  // another port: another origin
  item_server.on("/login", ScriptedResponse::whole("HTTP/1.1 302 Found\r\nLocation: " +
                                                   url(elsewhere, "/taken") + "\r\n\r\n"));
  elsewhere.on("/taken", ScriptedResponse::whole(html_answer("<p>page</p>")));
  add(url(item_server, "/login"), "p");
  ASSERT_EQ(cli({"set", "p", "AUTH_TYPE=1", "AUTH_ID=user", "AUTH_PASS=secret"}).status, 0);
  check(false);
  ASSERT_EQ(item_server.requests().size(), 1u);
  ASSERT_EQ(elsewhere.requests().size(), 1u);
  EXPECT_NE(item_server.requests()[0].find("Authorization: Basic "), std::string::npos);
  EXPECT_EQ(elsewhere.requests()[0].find("Authorization"), std::string::npos)
      << elsewhere.requests()[0];
}

TEST_F(HostileNetwork, NothingTheServerSentIsReplayedRawIntoARequest) {
  ScriptedServer s;
  // A bare CR inside Last-Modified, kept in html.txt by the first check.
  s.on("/lm", ScriptedResponse::whole(html_answer(
                  "<p>x</p>", "Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT\rX-Injected: 1\r\n")));
  // Blanks and control bytes in a Location's query, and a fragment.
  s.on("/loc", ScriptedResponse::whole(std::string("HTTP/1.1 302 Found\r\nLocation: /next?q=a b") +
                                       '\x01' + std::string("c\x00", 2) + "d#frag\r\n\r\n"));
  s.on("/next", ScriptedResponse::whole(html_answer("<p>y</p>")));
  add(url(s, "/lm"), "lm");
  add(url(s, "/loc"), "loc");
  check(true);
  check(true);  // the second check of "lm" is conditional on the stored date
  bool saw_next = false;
  for (const std::string& req : s.requests()) {
    EXPECT_EQ(req.find("X-Injected"), std::string::npos) << req;
    EXPECT_EQ(req.find('#'), std::string::npos) << req;
    if (req.rfind("GET /next", 0) == 0) {
      saw_next = true;
      EXPECT_EQ(req.substr(0, req.find('\r')), "GET /next?q=a%20b%01c%00d HTTP/1.1");
    }
  }
  EXPECT_TRUE(saw_next);
}

TEST_F(HostileNetwork, OnlyHttpAndHttpsRedirectsAreFollowed) {
  ScriptedServer s;
  const std::string authority = "127.0.0.1:" + std::to_string(s.port());
  s.on("/ftp", ScriptedResponse::whole("HTTP/1.1 302 Found\r\nLocation: ftp://" + authority +
                                       "/f\r\n\r\n"));
  s.on("/gopher", ScriptedResponse::whole("HTTP/1.1 301 Moved\r\nLocation: gopher://" + authority +
                                          "/g\r\n\r\n"));
  add(url(s, "/ftp"), "ftp");
  add(url(s, "/gopher"), "gopher");
  check(true);
  EXPECT_EQ(s.requests().size(), 2u);  // no request for /f or /g
  EXPECT_NE(result("ftp").find("CODE=5"), std::string::npos) << result("ftp");
  EXPECT_NE(result("gopher").find("CODE=5"), std::string::npos) << result("gopher");
}

TEST_F(HostileNetwork, DownloadsStopAtTheCapAndLeaveNoWorkFile) {
  ScriptedServer s;
  // More than the 64 MiB a response may hold, and a response that never ends.
  s.on("/huge", ScriptedResponse::whole(html_answer(std::string((64 << 20) + 65536, 'x'))));
  s.on("/endless", ScriptedResponse::trickle(html_answer("<p>"), "more ", 100, 100));
  add(url(s, "/huge"), "huge");
  add(url(s, "/endless"), "endless");
  check(true);
  EXPECT_NE(result("huge").find("CODE=4"), std::string::npos) << result("huge");
  EXPECT_NE(result("huge").find("MESSAGE=" + utf8_to_sjis("受信データが大きすぎます")),
            std::string::npos);
  EXPECT_NE(result("endless").find("CODE=4"), std::string::npos) << result("endless");
  for (const char* item : {"huge", "endless"}) {
    EXPECT_FALSE(path_exists(item_file(item, "htmltmp.txt"))) << item;
  }
}

TEST_F(HostileNetwork, HeaderCheckKeepsTheHeaderBlockOnly) {
  ScriptedServer s;
  // A body after the answer to HEAD is not the page's: it is neither read
  // nor stored (twice, as html.txt and as the text).
  s.on("/h", ScriptedResponse::whole("HTTP/1.1 200 OK\r\nX-A: 1\r\n\r\nBODY-AFTER-HEAD"));
  add(url(s, "/h"), "h");
  ASSERT_EQ(cli({"set", "h", "CHECK_BY_HTTP_HEADER=1"}).status, 0);
  check(false);
  EXPECT_EQ(s.requests().at(0).rfind("HEAD /h ", 0), 0u);
  EXPECT_EQ(item_text("h", "html.txt"), "HTTP/1.1 200 OK\r\nX-A: 1\r\n\r\n");
  EXPECT_NE(item_text("h", "log1.txt").find("X-A: 1"), std::string::npos);
  EXPECT_EQ(item_text("h", "log1.txt").find("BODY"), std::string::npos);
}

TEST_F(HostileNetwork, GzipBombEndsTheConversionWithAnError) {
  ScriptedServer s;
  // 96 MiB of blanks in about 100 KB: more than any page inflates to.
  s.on("/bomb", ScriptedResponse::whole(html_answer(gzip_of_blanks(std::size_t{96} << 20),
                                                    "Content-Encoding: gzip\r\n")));
  s.on("/fine",
       ScriptedResponse::whole(html_answer(gzip_of_blanks(4096), "Content-Encoding: gzip\r\n")));
  add(url(s, "/bomb"), "bomb");
  add(url(s, "/fine"), "fine");
  check(true);
  EXPECT_NE(result("bomb").find("CODE=7"), std::string::npos) << result("bomb");
  EXPECT_NE(result("fine").find("CODE=0"), std::string::npos) << result("fine");
}

}  // namespace
}  // namespace ks::test
