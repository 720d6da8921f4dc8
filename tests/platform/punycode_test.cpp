#include "platform/punycode.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/sjis.h"

namespace ks {
namespace {

std::u32string code_points(const char* hex) {
  std::u32string out;
  std::istringstream in(hex);
  for (unsigned v; in >> std::hex >> v;) out.push_back(static_cast<char32_t>(v));
  return out;
}

// The samples of RFC 3492 section 7.1. The RFC writes some outputs with
// mixed-case annotations, which an encoder does not produce: those are
// compared without regard to case.
TEST(Punycode, EncodesTheRfcSamples) {
  struct Sample {
    const char* input;
    const char* output;
  };
  const Sample samples[] = {
      {"0644 064A 0647 0645 0627 0628 062A 0643 0644 0645 0648 0634 0639 0631 0628 064A 061F",
       "egbpdaj6bu4bxfgehfvwxn"},
      {"4ED6 4EEC 4E3A 4EC0 4E48 4E0D 8BF4 4E2D 6587", "ihqwcrb4cv8a8dqg056pqjye"},
      {"4ED6 5011 7232 4EC0 9EBD 4E0D 8AAA 4E2D 6587", "ihqwctvzc91f659drss3x8bo0yb"},
      {"0050 0072 006F 010D 0070 0072 006F 0073 0074 011B 006E 0065 006D 006C 0075 0076 00ED "
       "010D 0065 0073 006B 0079",
       "Proprostnemluvesky-uyb24dma41a"},
      {"05DC 05DE 05D4 05D4 05DD 05E4 05E9 05D5 05D8 05DC 05D0 05DE 05D3 05D1 05E8 05D9 05DD "
       "05E2 05D1 05E8 05D9 05EA",
       "4dbcagdahymbxekheh6e0a7fei0b"},
      {"092F 0939 0932 094B 0917 0939 093F 0928 094D 0926 0940 0915 094D 092F 094B 0902 0928 "
       "0939 0940 0902 092C 094B 0932 0938 0915 0924 0947 0939 0948 0902",
       "i1baa7eci9glrd9b2ae1bj0hfcgg6iyaf8o0a1dig0cd"},
      {"306A 305C 307F 3093 306A 65E5 672C 8A9E 3092 8A71 3057 3066 304F 308C 306A 3044 306E "
       "304B",
       "n8jok5ay5dzabd5bym9f0cm5685rrjetr6pdxa"},
      {"C138 ACC4 C758 BAA8 B4E0 C0AC B78C B4E4 C774 D55C AD6D C5B4 B97C C774 D574 D55C B2E4 "
       "BA74 C5BC B9C8 B098 C88B C744 AE4C",
       "989aomsvi5e83db1d2a355cv1e0vak1dwrv93d5xbh15a0dt30a5jpsd879ccm6fea98c"},
      {"043F 043E 0447 0435 043C 0443 0436 0435 043E 043D 0438 043D 0435 0433 043E 0432 043E "
       "0440 044F 0442 043F 043E 0440 0443 0441 0441 043A 0438",
       "b1abfaaepdrnnbgefbaDotcwatmq2g4l"},
      {"0050 006F 0072 0071 0075 00E9 006E 006F 0070 0075 0065 0064 0065 006E 0073 0069 006D "
       "0070 006C 0065 006D 0065 006E 0074 0065 0068 0061 0062 006C 0061 0072 0065 006E 0045 "
       "0073 0070 0061 00F1 006F 006C",
       "PorqunopuedensimplementehablarenEspaol-fmd56a"},
      {"0054 1EA1 0069 0073 0061 006F 0068 1ECD 006B 0068 00F4 006E 0067 0074 0068 1EC3 0063 "
       "0068 1EC9 006E 00F3 0069 0074 0069 1EBF 006E 0067 0056 0069 1EC7 0074",
       "TisaohkhngthchnitingVit-kjcr8268qyxafd2f1b9g"},
      {"0033 5E74 0042 7D44 91D1 516B 5148 751F", "3B-ww4c5e180e575a65lsy2b"},
      {"5B89 5BA4 5948 7F8E 6075 002D 0077 0069 0074 0068 002D 0053 0055 0050 0045 0052 002D "
       "004D 004F 004E 004B 0045 0059 0053",
       "-with-SUPER-MONKEYS-pc58ag80a8qai00g7n9n"},
      {"0048 0065 006C 006C 006F 002D 0041 006E 006F 0074 0068 0065 0072 002D 0057 0061 0079 "
       "002D 305D 308C 305E 308C 306E 5834 6240",
       "Hello-Another-Way--fc4qua05auwb3674vfr0b"},
      {"3072 3068 3064 5C4B 6839 306E 4E0B 0032", "2-u9tlzr9756bt3uc0v"},
      {"004D 0061 006A 0069 3067 004B 006F 0069 3059 308B 0035 79D2 524D",
       "MajiKoi5-783gue6qz075azm5e"},
      {"30D1 30D5 30A3 30FC 0064 0065 30EB 30F3 30D0", "de-jg4avhby1noc0d"},
      {"305D 306E 30B9 30D4 30FC 30C9 3067", "d9juau41awczczp"},
      {"002D 003E 0020 0024 0031 002E 0030 0030 0020 003C 002D", "-> $1.00 <--"},
  };
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  for (const Sample& s : samples) {
    auto out = punycode_encode(code_points(s.input));
    ASSERT_TRUE(out) << s.output;
    EXPECT_EQ(lower(*out), lower(s.output)) << s.input;
  }
}

TEST(Punycode, RefusesCodePointsBeyondUnicode) {
  EXPECT_FALSE(punycode_encode(U"a\x110000"));
}

TEST(HostToAscii, EncodesOnlyNonAsciiLabels) {
  EXPECT_EQ(host_to_ascii(utf8_to_sjis("日本語.jp")), "xn--wgv71a119e.jp");
  EXPECT_EQ(host_to_ascii(utf8_to_sjis("www.ドメイン名例.jp")), "www.xn--eckwd4c7cu47r2wf.jp");
  EXPECT_EQ(host_to_ascii("www.example.org"), "www.example.org");
  EXPECT_EQ(host_to_ascii(""), "");
  EXPECT_EQ(host_to_ascii("a..b."), "a..b.");
}

}  // namespace
}  // namespace ks
