// An undeclared page that looks like UTF-8 is read as UTF-8 on a guess; when
// a later byte proves the guess wrong, the page must read exactly as it would
// have without the guess.
#include <gtest/gtest.h>

#include "convert/charset.h"
#include "convert_test_util.h"

namespace ks::convert::test {
namespace {

struct Reading {
  std::string text;
  int passes = 0;
};

// Feeds the body in blocks of `block` bytes, as many passes as asked for.
Reading read(std::string_view body, std::size_t block) {
  StringSink sink(settings());
  Reading r;
  for (int pass = 1; pass <= net::kMaxPasses; ++pass) {
    sink.begin_pass(pass);
    sink.begin_body();
    for (std::size_t at = 0; at < body.size(); at += block) {
      if (!sink.write(body.substr(at, block))) break;
    }
    r.passes = pass;
    if (!sink.end_pass()) break;
  }
  r.text = sink.text();
  return r;
}

TEST(Utf8Guess, AGuessThatFailsLeavesTheTextAsDetectionAloneMakesIt) {
  // UTF-8 read as Shift_JIS stays as its bytes.
  struct Case {
    const char* what;
    std::string body;
    std::string text;
    int passes;
  } cases[] = {
      {"a late Shift_JIS declaration, its name broken by a line end",
       "<p>日本</p><meta http-equiv=\"Content-Type\" content=\"text/html; char\r\nset=Shift_JIS\">"
       "<p>本文</p>",
       "\n日本\n本文\n", 3},
      {"ESC: ISO-2022-JP", "<p>日本</p><p>\x1B$BK\\J8\x1B(B</p>", "\n日本\n" + sj("本文") + "\n",
       3},
      {"a last character cut off", "<p>日本</p><p>x\xE6\x97", "\n日本\nx\xE6\x97", 3},
      // The word alone makes the guess fail; detection still finds UTF-8.
      {"the word \"Encoding\" in the text", "<p>日本 Encoding</p>",
       "\n" + sj("日本") + " Encoding\n", 4},
  };
  for (const Case& c : cases) {
    for (std::size_t block : {std::size_t{1}, std::size_t{7}, c.body.size()}) {
      const Reading r = read(c.body, block);
      EXPECT_EQ(r.text, c.text) << c.what << ", blocks of " << block;
      EXPECT_EQ(r.passes, c.passes) << c.what << ", blocks of " << block;
    }
  }
}

TEST(Utf8Guess, AnUndeclaredUtf8PageIsConvertedOnceAfterAShortFirstReading) {
  const std::string body = "<title>題名</title>" + std::string(20000, 'a') + "<p>本文</p>";
  const Reading r = read(body, 4096);
  EXPECT_EQ(r.passes, 2);
  ConvertSettings utf8 = settings();
  utf8.charset_sel = kCharsetUtf8;
  EXPECT_EQ(r.text, convert(body, utf8));
}

}  // namespace
}  // namespace ks::convert::test
