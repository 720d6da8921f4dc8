#include <iconv.h>

#include <gtest/gtest.h>

#include "convert/charset.h"
#include "convert/codepoint.h"
#include "convert_test_util.h"

namespace ks::convert::test {
namespace {

// The text in another encoding, made by the system's iconv.
std::string recode(std::string_view text, const char* to, const char* from = "UTF-8") {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to;
  std::string out(text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  char* o = out.data();
  std::size_t o_left = out.size();
  std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
  EXPECT_NE(r, static_cast<std::size_t>(-1));
  r = iconv(cd, nullptr, nullptr, &o, &o_left);  // back to the initial shift state
  EXPECT_NE(r, static_cast<std::size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - o_left);
  return out;
}

ConvertSettings charset_sel(int sel) {
  ConvertSettings s = settings();
  s.charset_sel = sel;
  return s;
}

const char* const kJapanesePage =
    "<html><body><h1>日本語のページ</h1>\n"
    "<p>漢字、ひらがな、カタカナ。全角英数ＡＢＣ１２３と記号「」・ー〜</p>\n"
    "<p>見出しはありません</p>\n<p><a href=\"next.html\">次へ</a>進む</p>\n"
    "<table><tr><td>表</td><td>ソフト</td><td>能力</td></tr></table></body></html>\n";

TEST(Charsets, JapanesePageConvertsToTheSameTextInEveryEncoding) {
  std::string utf8 = kJapanesePage;
  std::string sjis = recode(utf8, "CP932");
  std::string expected = convert(sjis);
  ASSERT_NE(expected.find(sj("日本語のページ")), std::string::npos);

  EXPECT_EQ(convert(recode(utf8, "EUC-JP")), expected) << "EUC-JP, detected";
  EXPECT_EQ(convert(recode(utf8, "ISO-2022-JP")), expected) << "ISO-2022-JP, detected";
  EXPECT_EQ(convert(utf8), expected) << "UTF-8, detected";
  for (auto [sel, enc] : {std::pair{1, "CP932"}, std::pair{2, "ISO-2022-JP"},
                          std::pair{3, "EUC-JP"}, std::pair{4, "UTF-8"}}) {
    EXPECT_EQ(convert(recode(utf8, enc), charset_sel(sel)), expected) << enc << " chosen";
  }
}

TEST(Charsets, HalfWidthKatakanaSurviveEveryEncodingThatHasThem) {
  std::string utf8 = "<p>半角ｶﾀｶﾅです。</p>";
  std::string expected = "\n" + sj("半角ｶﾀｶﾅです。") + "\n";
  EXPECT_EQ(convert(recode(utf8, "CP932")), expected);
  EXPECT_EQ(convert(recode(utf8, "EUC-JP"), charset_sel(3)), expected);
  EXPECT_EQ(convert(utf8), expected);
}

TEST(Charsets, Utf8FoundLateIsConvertedInTheSecondPass) {
  std::string body = "<p>" + std::string(5000, 'a') + "</p><p>日本語</p>";
  ASSERT_GT(body.find("\xE6\x97\xA5"), 5000u);
  EXPECT_EQ(convert(body), "\n" + std::string(5000, 'a') + "\n" + sj("日本語") + "\n");
}

TEST(Charsets, MetaDeclarationAfterUtf8TextRestartsThePass) {
  std::string body =
      "<title>題名</title><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
      "本文";
  EXPECT_EQ(convert(body), "\n" + sj("題名") + "\n" + sj("本文"));
}

TEST(Charsets, MetaDeclarationCountsOnlyInItsAttributeOrder) {
  // "ん" ends in 0xF3, which Shift_JIS reads as a lead byte: with the '<'
  // after it the bytes cannot be Shift_JIS, so detection settles on EUC-JP.
  std::string eucjp = recode("<p>日本ません</p>", "EUC-JP");
  std::string declared =
      "<meta http-equiv=\"content-type\" content=\"text/html; charset=EUC-JP\">" + eucjp;
  EXPECT_EQ(convert(declared), "\n" + sj("日本ません") + "\n");
  // Content first: nothing is declared; EUC-JP is still detected at the end.
  std::string reversed =
      "<meta content=\"text/html; charset=Shift_JIS\" http-equiv=\"content-type\">" + eucjp;
  EXPECT_EQ(convert(reversed), "\n" + sj("日本ません") + "\n");
  // EUC-JP text that happens to be valid Shift_JIS as well reads there as
  // mostly half-width katakana: it is taken as EUC-JP.
  EXPECT_EQ(convert(recode("<p>日本</p>", "EUC-JP")), "\n" + sj("日本") + "\n");
}

TEST(Charsets, BytesValidInBothSetsAreEucJpOnlyWhenShiftJisReadsAsMostlyKatakana) {
  // As Shift_JIS: two half-width katakana and three kanji; as EUC-JP four
  // pairs as well. More double-byte characters: Shift_JIS, one pass.
  const std::string sjis = "\xB1\xB2\xE0\xA1\xE0\xA2\xE0\xA3";
  StringSinkRun kept(settings());
  EXPECT_EQ(kept.body(sjis), sjis);
  EXPECT_EQ(kept.passes(), 1);
  // Four katakana and three kanji: EUC-JP, in a second pass.
  const std::string euc = "\xB1\xB2\xB3\xB4" + sjis.substr(2);
  StringSinkRun second(settings());
  EXPECT_EQ(second.body(euc), convert(euc, charset_sel(kCharsetEuc)));
  EXPECT_EQ(second.passes(), 2);
  // Declared as Shift_JIS, the same bytes stay as they are.
  StringSinkRun declared(settings());
  declared.header("Shift_JIS");
  EXPECT_EQ(declared.body(euc), euc);
}

TEST(Charsets, HeaderDeclarationWinsOverTheBytes) {
  ConvertSettings s = settings();
  StringSinkRun run(s);
  std::string euc = recode("日本", "EUC-JP");
  run.header("Shift_JIS");
  EXPECT_EQ(run.body(euc), euc);  // kept as they are: no detection, one pass
  EXPECT_EQ(run.passes(), 1);
}

TEST(Charsets, NamesMatchByPrefixInHeadersAndExactlyInXml) {
  EXPECT_EQ(charset_by_prefix("EUC-KR"), kCharsetEuc);
  EXPECT_EQ(charset_by_prefix("iso-8859-15"), kCharsetLatin1);
  EXPECT_EQ(charset_by_prefix("Shift_JIS; x"), kCharsetSjis);
  EXPECT_EQ(charset_by_prefix("windows-1252"), 0);
  EXPECT_EQ(charset_by_name("EUC-JP"), kCharsetEuc);
  EXPECT_EQ(charset_by_name("euc-kr"), 0);
  std::string euc = recode("<p>日本</p>", "EUC-JP");
  EXPECT_EQ(convert("<?xml version=\"1.0\" encoding=\"EUC-JP\"?>" + euc), "\n" + sj("日本") + "\n");
}

TEST(Charsets, ChosenShiftJisKeepsUtf8BytesAsTheyAre) {
  std::string utf8 = "日本";
  EXPECT_EQ(convert(utf8, charset_sel(1)), utf8);
}

TEST(Charsets, Utf8WithoutShiftJisFormBecomesAReference) {
  EXPECT_EQ(convert("a\xF0\x9F\x98\x80z", charset_sel(4)), "a&#x1F600;z");
  EXPECT_EQ(convert("\xC3\xA9", charset_sel(4)), "&#xE9;");
  EXPECT_EQ(convert("①", charset_sel(4)), sj("①"));
  EXPECT_EQ(convert("a\x80z\xFFq", charset_sel(4)), "a?z?q");
  EXPECT_EQ(convert("a\xC0\x80z", charset_sel(4)), "a?z");  // overlong NUL
  // The wave dash has no code page 932 form but a fallback.
  EXPECT_EQ(convert("\xE3\x80\x9C", charset_sel(4)), sj("～"));
}

TEST(Charsets, ByteOrderMarkIsDropped) {
  EXPECT_EQ(convert("\xEF\xBB\xBFhello"), "hello");
  // A partial mark is delivered as it is.
  EXPECT_EQ(convert("\xEF\xBBx", charset_sel(1)), "\xEF\xBBx");
}

TEST(Charsets, Latin1PagesBecomeReferences) {
  StringSinkRun run(settings());
  run.header("iso-8859-1");
  EXPECT_EQ(run.body("caf\xE9 \x80\x81\x7F"), "caf&#xE9; &#x20AC;&#x0;&#x7F;");
}

TEST(Charsets, Iso2022JpEscapesAndOddBytes) {
  // ESC ( B at the start of ASCII text changes nothing.
  EXPECT_EQ(convert("\x1B(Babc", charset_sel(2)), "abc");
  // A pair outside JIS X 0208 turns into question marks.
  EXPECT_EQ(convert("\x1B$B\x10\x10\x1B(Bx", charset_sel(2)), "??x");
}

TEST(Charsets, EucJpArithmeticMatchesIconvForAllOfJisX0208) {
  int checked = 0;
  for (int h = 0xA1; h <= 0xFE; ++h) {
    for (int l = 0xA1; l <= 0xFE; ++l) {
      std::string euc{static_cast<char>(h), static_cast<char>(l)};
      iconv_t cd = iconv_open("CP932", "EUC-JP");
      char* in = euc.data();
      std::size_t in_left = 2;
      char buf[8];
      char* o = buf;
      std::size_t o_left = sizeof buf;
      std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
      iconv_close(cd);
      if (r == static_cast<std::size_t>(-1) || sizeof buf - o_left != 2) continue;
      unsigned char s1 = 0, s2 = 0;
      euc_to_sjis(static_cast<unsigned char>(h), static_cast<unsigned char>(l), s1, s2);
      ASSERT_EQ(std::string(buf, 2), std::string({static_cast<char>(s1), static_cast<char>(s2)}))
          << std::hex << h << " " << l;
      ++checked;
    }
  }
  EXPECT_GT(checked, 6800);
}

TEST(CodePoints, FallbackRowsCoverWhatCodePage932Rejects) {
  struct Case {
    char32_t cp;
    const char* sjis;
  };
  for (const Case& c : {Case{0x00A0, " "}, Case{0x00A5, "\\"}, Case{0x00AE, "R"}, Case{0x2013, "-"},
                        Case{0x2022, "\xA5"}, Case{0x2048, "?!"}, Case{0x2122, "TM"},
                        Case{0xFEFF, " "}, Case{0xFFFD, "?"}}) {
    std::string out;
    append_code_point(out, c.cp);
    EXPECT_EQ(out, c.sjis) << std::hex << static_cast<uint32_t>(c.cp);
  }
  std::string out;
  append_code_point(out, 0x301C);
  EXPECT_EQ(out, sj("～"));
  out.clear();
  append_code_point(out, 0x203E);  // overline: neither table has it
  EXPECT_EQ(out, "??");
  out.clear();
  append_code_point(out, 0x7E6B);
  EXPECT_EQ(out, sj("繋"));
}

TEST(CodePoints, AgreeWithIconvOutsideTheFallbackRows) {
  iconv_t cd = iconv_open("CP932", "UTF-32LE");
  int checked = 0;
  for (char32_t cp = 0x20; cp < 0x10000; cp += 7) {
    if (cp >= 0xD800 && cp < 0xE000) continue;
    char in_buf[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF), 0, 0};
    char* in = in_buf;
    std::size_t in_left = 4;
    char buf[8];
    char* o = buf;
    std::size_t o_left = sizeof buf;
    std::size_t r = iconv(cd, &in, &in_left, &o, &o_left);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    int32_t mine = code_point_to_sjis(cp);
    if (r == static_cast<std::size_t>(-1)) continue;  // rejected: fallback rows or nothing
    std::string theirs(buf, sizeof buf - o_left);
    if (cp == 0x203E) continue;  // iconv maps the overline to '~'; Windows does not
    std::string out;
    append_code_point(out, cp);
    ASSERT_EQ(out, theirs) << std::hex << static_cast<uint32_t>(cp) << " " << mine;
    ++checked;
  }
  iconv_close(cd);
  EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace ks::convert::test

namespace ks::convert::test {
namespace {

TEST(Charsets, BrokenEucPairsKeepTheirAsciiByte) {
  ConvertSettings s = settings();
  s.charset_sel = 3;
  EXPECT_EQ(convert("\xC6<b>x\xE9"
                    "a",
                    s),
            "?x?a");
  EXPECT_EQ(convert("\x8E\xB6\x8F\xB0\xA1", s), "\xB6\x8F\x88\x9F");  // kana; 0x8F passes raw
}

}  // namespace
}  // namespace ks::convert::test
