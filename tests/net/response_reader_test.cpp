#include "net/response_reader.h"

#include <gtest/gtest.h>

#include "net/net_test_util.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace ks::net {
namespace {

using test::chunked;
using test::gzip_bytes;
using test::RecordingSink;
using test::sample_body;

ResponseReadResult read(const std::string& response, RecordingSink& sink,
                        const std::string& url = "http://example.org/dir/page") {
  ResponseReadOptions options;
  options.current_url = url;
  return read_response_bytes(response, sink, options);
}

TEST(StatusLine, ParsesHttpStatusOnly) {
  EXPECT_EQ(parse_status_line("HTTP/1.1 200 OK\r\n"), 200);
  EXPECT_EQ(parse_status_line("http/1.0 404 Not Found"), 404);
  EXPECT_EQ(parse_status_line("  HTTP/1.1   302"), 302);
  EXPECT_EQ(parse_status_line("HTTP/1.1\r\n"), 0);
  EXPECT_EQ(parse_status_line("<html><body>hello"), 0);
  EXPECT_EQ(parse_status_line(""), 0);
}

TEST(ResponseReader, PlainBodyWithLastModifiedAsHeaderLine) {
  RecordingSink sink;
  auto r = read(
      "HTTP/1.1 200 OK\r\nDate: x\r\nLast-Modified: Mon, 01 Jan 2024 00:00:00 GMT\r\n"
      "Content-Type: text/html; charset=EUC-JP\r\n\r\n<p>body</p>",
      sink);
  EXPECT_EQ(r.outcome, store::CheckStatus::kNoChange);
  EXPECT_EQ(r.http_status, 200);
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], "Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT");
  EXPECT_EQ(sink.charsets, std::vector<std::string>{"EUC-JP"});
  EXPECT_EQ(sink.body, "<p>body</p>");
  EXPECT_EQ(sink.ends, 1);
}

TEST(ResponseReader, TextOfA200WithoutLastModifiedStartsWithAnEmptyLine) {
  RecordingSink sink;
  read("HTTP/1.1 200 OK\r\nServer: x\r\n\r\nfirst feed item", sink);
  EXPECT_EQ(sink.lines, std::vector<std::string>{""});
  EXPECT_EQ(sink.body, "first feed item");
}

TEST(ResponseReader, HeaderBlockEndsAtEveryKindOfEmptyLine) {
  for (const char* response :
       {"HTTP/1.1 200 OK\nA: b\n\nBODY", "HTTP/1.1 200 OK\r\nA: b\r\n\r\nBODY",
        "HTTP/1.1 200 OK\r\nA: b\r\n\nBODY", "HTTP/1.1 200 OK\r\n\r\nBODY",
        "HTTP/1.1 200 OK\n\nBODY"}) {
    RecordingSink sink;
    read(response, sink);
    EXPECT_EQ(sink.body, "BODY") << response;
    EXPECT_TRUE(sink.body_begun) << response;
  }
}

TEST(ResponseReader, ChunkedGzipEqualsPlainAtEverySplit) {
  const std::string body = sample_body(30000);
  const std::string head =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
      "Content-Encoding: gzip\r\n\r\n";
  const std::string response = head + chunked(gzip_bytes(body), 977);
  RecordingSink whole;
  read(response, whole);
  EXPECT_EQ(whole.body, body);

  // Fed in blocks of many sizes, every chunk boundary lands inside a block.
  for (std::size_t block : {1u, 2u, 3u, 7u, 100u, 4096u, 9999u}) {
    RecordingSink sink;
    ResponseParser::Options options;
    options.preceding_line_end = "\r\n";
    ResponseParser parser(sink, options);
    std::string_view rest = std::string_view(response).substr(response.find('\n') + 1);
    for (std::size_t i = 0; i < rest.size(); i += block) parser.feed(rest.substr(i, block));
    parser.finish();
    EXPECT_FALSE(parser.inflate_failed()) << block;
    EXPECT_EQ(sink.body, body) << block;
  }
}

TEST(ResponseReader, DecodesEachCodingAlone) {
  const std::string body = sample_body(25000);
  RecordingSink gz, ch;
  read("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n" + gzip_bytes(body), gz);
  read("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked(body, 1000), ch);
  EXPECT_EQ(gz.body, body);
  EXPECT_EQ(ch.body, body);
}

TEST(ResponseReader, TrailersAfterTheLastChunkGiveNoText) {
  RecordingSink sink;
  read(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;ext=1\r\nhello\r\n0\r\n"
      "X-Trailer: yes\r\n\r\n",
      sink);
  EXPECT_EQ(sink.body, "hello");
}

TEST(ResponseReader, RedirectWithRelativeLocationIsResolved) {
  RecordingSink sink;
  auto r = read("HTTP/1.1 302 Found\r\nLocation:   /next  \r\nContent-Length: 0\r\n\r\n", sink,
                "http://h:8080/dir/page");
  EXPECT_EQ(r.outcome, store::CheckStatus::kHttpError);
  EXPECT_EQ(r.http_status, 302);
  EXPECT_EQ(r.redirect_target, "http://h:8080/next");
  // An error answer's header lines become its text, Location excepted.
  EXPECT_EQ(sink.lines, (std::vector<std::string>{"HTTP/1.1 302 Found", "Content-Length: 0"}));
}

TEST(ResponseReader, NotModifiedCallsNothing) {
  RecordingSink sink;
  auto r = read("HTTP/1.1 304 Not Modified\r\nLocation: /x\r\n\r\n", sink);
  EXPECT_EQ(r.outcome, store::CheckStatus::kNotModified);
  EXPECT_TRUE(r.redirect_target.empty());
  EXPECT_TRUE(sink.passes.empty());
  EXPECT_EQ(sink.ends, 0);
}

TEST(ResponseReader, NonHttpFirstLineIsAnErrorWhoseLinesBecomeText) {
  RecordingSink sink;
  auto r = read("hello\r\nworld", sink);
  EXPECT_EQ(r.outcome, store::CheckStatus::kHttpError);
  EXPECT_EQ(r.http_status, 0);
  EXPECT_EQ(sink.lines, (std::vector<std::string>{"hello", "world"}));
}

TEST(ResponseReader, BlanksInHeaderLinesCollapse) {
  RecordingSink sink;
  read("HTTP/1.1 500  Oops\r\nX-A:\t  b   c\r\n\r\n", sink);
  EXPECT_EQ(sink.lines, (std::vector<std::string>{"HTTP/1.1 500 Oops", "X-A: b c"}));
}

TEST(ResponseReader, BrokenGzipIsASystemErrorKeepingWhatWasInflated) {
  const std::string body = sample_body(50000);
  std::string gz = gzip_bytes(body);
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\n\r\n";

  RecordingSink truncated;
  auto r1 = read(head + gz.substr(0, gz.size() / 2), truncated);
  EXPECT_EQ(r1.outcome, store::CheckStatus::kSystemError);
  EXPECT_TRUE(r1.inflate_failed);

  std::string corrupt = gz;
  for (std::size_t i = 20; i < 60; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
  RecordingSink bad;
  auto r2 = read(head + corrupt, bad);
  EXPECT_EQ(r2.outcome, store::CheckStatus::kSystemError);

  RecordingSink not_gzip;
  auto r3 = read(head + "plain text, not compressed", not_gzip);
  EXPECT_EQ(r3.outcome, store::CheckStatus::kSystemError);
  EXPECT_EQ(not_gzip.ends, 1);
}

TEST(ResponseReader, EmptyGzipBodyIsNoFailure) {
  RecordingSink sink;
  auto r = read("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 0\r\n\r\n", sink);
  EXPECT_EQ(r.outcome, store::CheckStatus::kNoChange);
}

TEST(ResponseReader, RawHeaderModeCopiesEverything) {
  const std::string response = "HTTP/1.1 200 OK\r\nDate: today\r\n\r\n";
  RecordingSink sink;
  ResponseReadOptions options;
  options.raw_header_copy = true;
  auto r = read_response_bytes(response, sink, options);
  EXPECT_EQ(r.outcome, store::CheckStatus::kNoChange);
  EXPECT_EQ(sink.lines, std::vector<std::string>{""});
  EXPECT_EQ(sink.raw, response);
  EXPECT_TRUE(sink.body.empty());
}

TEST(ResponseReader, SinkRestartRunsOneSecondPassFromTheStart) {
  const std::string body = sample_body(40000);
  RecordingSink sink;
  sink.stop_after_bytes = 10;
  auto r = read("HTTP/1.1 200 OK\r\nLast-Modified: x\r\n\r\n" + body, sink);
  EXPECT_EQ(r.passes, 2);
  EXPECT_EQ(sink.passes, (std::vector<int>{1, 2}));
  EXPECT_EQ(sink.lines, std::vector<std::string>{"Last-Modified: x"});
  EXPECT_EQ(sink.body, body);
  EXPECT_EQ(sink.ends, 2);
}

TEST(ResponseReader, UnwritableOutputIsASystemError) {
  RecordingSink sink;
  sink.fail_begin = true;
  auto r = read("HTTP/1.1 200 OK\r\n\r\nx", sink);
  EXPECT_EQ(r.outcome, store::CheckStatus::kSystemError);
  EXPECT_TRUE(r.output_failed);
  EXPECT_EQ(sink.ends, 0);
}

TEST(ResponseReader, TruncatedHeaderStillGivesTheHeaderLine) {
  const std::string full = "HTTP/1.1 200 OK\r\nLast-Modified: y\r\nServer: s\r\n\r\nbody";
  for (std::size_t n = 0; n <= full.size(); ++n) {
    RecordingSink sink;
    auto r = read(full.substr(0, n), sink);
    if (r.http_status == 200) {
      EXPECT_EQ(sink.lines.size(), 1u) << n;
      EXPECT_EQ(sink.ends, 1) << n;
    }
  }
}

TEST(ResponseReader, ReadsFromFileAndReportsMissingFile) {
  ks::test::TempDir dir;
  std::string path = dir.file("htmltmp.txt");
  RecordingSink missing;
  EXPECT_TRUE(read_response_file(path, missing, {}).input_missing);

  const std::string body = sample_body(70000);
  ASSERT_TRUE(write_file_atomic(
      path, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + chunked(body, 12345)));
  RecordingSink sink;
  auto r = read_response_file(path, sink, {});
  EXPECT_EQ(r.outcome, store::CheckStatus::kNoChange);
  EXPECT_EQ(sink.body, body);
}

TEST(ResponseReader, AbortStopsWithoutResult) {
  std::atomic<bool> abort{true};
  RecordingSink sink;
  ResponseReadOptions options;
  options.abort = &abort;
  auto r = read_response_bytes("HTTP/1.1 200 OK\r\n\r\nbody", sink, options);
  EXPECT_TRUE(r.aborted);
  EXPECT_EQ(sink.ends, 1);
}

}  // namespace
}  // namespace ks::net
