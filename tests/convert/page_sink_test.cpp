// The converter behind the response reader: new.txt on disk, header lines,
// passes, stop requests, and the same text whatever the block sizes.
#include <gtest/gtest.h>

#include "convert/page_sink.h"
#include "convert_test_util.h"
#include "net/response_reader.h"
#include "platform/fs.h"
#include "support/temp_dir.h"

namespace ks::convert::test {
namespace {

std::string response(std::string_view headers, std::string_view body) {
  return "HTTP/1.1 200 OK\r\n" + std::string(headers) + "\r\n" + std::string(body);
}

TEST(PageSink, WritesNewTxtWithCrLfAndTheHeaderLine) {
  ks::test::TempDir dir;
  std::string stored = dir.file("htmltmp.txt");
  std::string out = dir.file("new.txt");
  ASSERT_TRUE(write_file_atomic(
      stored, response("Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n", "<p>a<br>b")));
  PageSink sink(settings(), out);
  net::ResponseReadOptions options;
  options.current_url = std::string(kPageUrl);
  net::ResponseReadResult r = net::read_response_file(stored, sink, options);
  EXPECT_EQ(r.outcome, store::CheckStatus::kNoChange);
  EXPECT_FALSE(sink.output_failed());
  EXPECT_EQ(read_file(out).value_or("?"),
            "Last-Modified: Mon, 07 Dec 2026 10:00:00 GMT\r\n\r\na\r\nb");
}

TEST(PageSink, HeaderCharsetChoosesTheDecoder) {
  StringSink sink(settings());
  net::ResponseReadOptions options;
  std::string body = "<p>\xC6\xFC\xCB\xDC</p>";  // "日本" in EUC-JP
  net::read_response_bytes(response("Content-Type: text/html; charset=\"EUC-JP\"\r\n", body), sink,
                           options);
  EXPECT_EQ(sink.text(), "\n\n" + sj("日本") + "\n");
  EXPECT_EQ(sink.passes(), 1);
}

TEST(PageSink, LateUtf8DeclarationRunsASecondPassOverTheFile) {
  ks::test::TempDir dir;
  std::string stored = dir.file("htmltmp.txt");
  std::string body = "<title>" + std::string("題名") +
                     "</title><meta http-equiv=content-type content=\"text/html; charset=utf-8\">";
  ASSERT_TRUE(write_file_atomic(stored, response("", body)));
  PageSink sink(settings(), dir.file("new.txt"));
  net::ResponseReadResult r = net::read_response_file(stored, sink, {});
  // The title starts a UTF-8 guess, which the declaration's word ends; the
  // first reading runs again up to the declaration, then the UTF-8 pass.
  EXPECT_EQ(r.passes, 4);
  EXPECT_EQ(read_file(dir.file("new.txt")).value_or("?"), "\r\n\r\n" + sj("題名") + "\r\n");
}

TEST(PageSink, StopFlagEndsThePassWithoutResult) {
  std::atomic<bool> stop{true};
  ks::test::TempDir dir;
  PageSink sink(settings(), dir.file("new.txt"), &stop);
  ASSERT_TRUE(sink.begin_pass(1));
  EXPECT_FALSE(sink.write("<p>text</p>"));
  EXPECT_TRUE(sink.stopped());
  EXPECT_FALSE(sink.end_pass());
}

TEST(PageSink, UnwritableOutputIsReported) {
  PageSink sink(settings(), "/nonexistent-folder/new.txt");
  EXPECT_FALSE(sink.begin_pass(1));
  EXPECT_TRUE(sink.output_failed());
}

// Block boundaries must not matter: every split of a tricky page gives the
// text of the whole.
TEST(PageSink, EverySplitGivesTheSameText) {
  std::string page = "<a href='x'>A&amp;\x95\x5C</a><!-- c --><pre> p\r\n</pre>" + sj("日本") +
                     "<script>x</scr</script>\xEF\xBB<![CDATA[d]]>";
  ConvertSettings s = settings();
  s.charset_sel = 1;
  std::string whole = convert(page, s);
  for (std::size_t cut = 0; cut <= page.size(); ++cut) {
    StringSink sink(s);
    sink.begin_pass(1);
    sink.write(std::string_view(page).substr(0, cut));
    sink.write(std::string_view(page).substr(cut));
    sink.end_pass();
    ASSERT_EQ(sink.text(), whole) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace ks::convert::test

namespace ks::convert::test {
namespace {

// Whole characters are converted in bulk when a block holds them; byte by
// byte they take the general path. Both must give the same text.
TEST(PageSink, ByteAtATimeMatchesWholeBlocksInEveryDecoder) {
  struct Case {
    int charset;
    std::string body;
  };
  std::string utf8 = "<p>日本語\nです</p> <a href=x>次へ</a>　ｶﾅ\xF0\x9F\x98\x80①～<b>表</b>";
  std::string sjis = sj("<p>日本語\nです</p> <a href=x>次へ</a>　ｶﾅ①～<b>表</b>");
  std::string euc = "<p>\xC6\xFC\xCB\xDC\n\xB8\xEC</p> \x8E\xB6\xA4\xA2 <i>\xA5\xBD</i>";
  for (const Case& c :
       {Case{0, sjis}, Case{1, sjis}, Case{3, euc}, Case{4, utf8}, Case{0, utf8}, Case{0, euc}}) {
    ConvertSettings s = settings();
    s.charset_sel = c.charset;
    std::string whole = convert(c.body, s);
    StringSink sink(s);
    for (int pass = 1; pass <= net::kMaxPasses; ++pass) {
      sink.begin_pass(pass);
      for (char b : c.body) sink.write(std::string_view(&b, 1));
      if (!sink.end_pass()) break;
    }
    EXPECT_EQ(sink.text(), whole) << "charset " << c.charset;
  }
}

// The bulk path also reads tags (names, quoted and unquoted values, with
// and without characters beyond ASCII), skipped and preformatted content,
// white space and links with dot segments; byte by byte all of it goes the
// general way.
TEST(PageSink, ByteAtATimeMatchesWholeBlocksInTagsAndPreformattedText) {
  // The same page around a Japanese word and an accented letter.
  auto page = [](std::string_view word, std::string_view e) {
    std::string w(word);
    return "<base href='http://b/x/./y/'><TD Class=\"d\" nowrap>1</td>\n  <li>ab <img src=../i " +
           ("alt='" + w + " \"q\"'><a href=\"./n/../m.html?q#f\" title='" + w + "'>" + w) +
           "</a><a name=t/><pre> " + w + "\t<b>" + w + "</b>\r\n x</pre><script>s='</scr' + '" + w +
           "';</script><p=5 a = b><!--c-->" + std::string(e) + "<div\x01 x='1\n2'>z</div>";
  };
  const std::string bodies[] = {page("日本", "é"), page(sj("日本"), "\xE9"),
                                page("\xC6\xFC\xCB\xDC", "\x8E\xB6")};
  for (const std::string& body : bodies) {
    for (int charset : {0, 1, 3, 4}) {
      ConvertSettings s = settings();
      s.charset_sel = charset;
      std::string whole = convert(body, s);
      StringSink sink(s);
      for (int pass = 1; pass <= net::kMaxPasses; ++pass) {
        sink.begin_pass(pass);
        for (char b : body) sink.write(std::string_view(&b, 1));
        if (!sink.end_pass()) break;
      }
      EXPECT_EQ(sink.text(), whole) << "charset " << charset << ", body of " << body.size();
    }
  }
}

}  // namespace
}  // namespace ks::convert::test
