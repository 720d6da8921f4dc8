#include "store/names.h"

#include <gtest/gtest.h>

#include "platform/sjis.h"

namespace ks::store {
namespace {

TEST(NameEncoding, EscapesPercentAndForbiddenCharacters) {
  EXPECT_EQ(encode_name("a:b%c"), "a%3ab%%c");
  EXPECT_EQ(encode_name("\\/:,;*?\"<>|"), "%5c%2f%3a%2c%3b%2a%3f%22%3c%3e%7c");
  EXPECT_EQ(encode_name(".hidden"), ".hidden");
  EXPECT_EQ(encode_name("50%off"), "50%%off");
}

TEST(NameEncoding, DoubleByteTrailBytesAreNeverEscaped) {
  // 0x95 0x5C (表) and 0x83 0x7C (ポ) carry '\' and '|' as trail bytes.
  const std::string hyo = "\x95\x5C";
  const std::string po = "\x83\x7C";
  EXPECT_EQ(encode_name(hyo + po), hyo + po);
  EXPECT_EQ(decode_name(hyo + po).label, hyo + po);
  EXPECT_FALSE(decode_name(hyo + po).escaped);
  // A lone '\' after a pair is still escaped.
  EXPECT_EQ(encode_name(hyo + "\\"), hyo + "%5c");
}

TEST(NameEncoding, RoundTripsEveryByte) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  auto enc = encode_name(all, 10000);
  ASSERT_TRUE(enc);
  EXPECT_EQ(decode_name(*enc).label, all);
  EXPECT_TRUE(decode_name(*enc).escaped);
}

TEST(NameEncoding, RefusesWhenTheRoomIsExceeded) {
  EXPECT_TRUE(encode_name(std::string(10, 'a'), 10));
  EXPECT_FALSE(encode_name(std::string(11, 'a'), 10));
  // Escapes count three bytes each.
  EXPECT_FALSE(encode_name("abc:", 5));
  EXPECT_TRUE(encode_name("abc:", 6));
}

TEST(NameDecoding, CleanEscapesDecodeAndSetTheFlag) {
  auto d = decode_name("a%3ab%%c");
  EXPECT_EQ(d.label, "a:b%c");
  EXPECT_TRUE(d.escaped);
  auto plain = decode_name("plain");
  EXPECT_EQ(plain.label, "plain");
  EXPECT_FALSE(plain.escaped);
}

TEST(NameDecoding, OnlyNamesThatEncodeBackAreEscaped) {
  // Each decoded label, encoded again, must name the same folder byte for
  // byte; otherwise the name stays as the folder has it.
  for (const char* name : {"a%3ab%%c", "x%3a", "%%", "a%5cb"}) {
    auto d = decode_name(name);
    EXPECT_TRUE(d.escaped) << name;
    EXPECT_EQ(encode_name(d.label), name) << name;
  }
  // An upper-case escape or a raw character that encoding escapes.
  for (const char* name : {"x%3A", "a:b%%c", "a:b%3a", "a%3Ab%%c"}) {
    auto d = decode_name(name);
    EXPECT_EQ(d.label, name) << name;
    EXPECT_FALSE(d.escaped) << name;
  }
}

TEST(NameDecoding, ForeignPercentSignsLeaveTheNameAsItIs) {
  for (const char* name : {"50%off", "x%41", "a%3ab%", "100%", "%3", "a%%b%zz", "a:b%c"}) {
    auto d = decode_name(name);
    EXPECT_EQ(d.label, name) << name;
    EXPECT_FALSE(d.escaped) << name;
  }
}

TEST(NameExtension, ComparesWithoutCase) {
  EXPECT_TRUE(has_extension("x.DAT", ".dat"));
  EXPECT_TRUE(has_extension("x.Grp", ".grp"));
  EXPECT_FALSE(has_extension("x.dat.bak", ".dat"));
  EXPECT_FALSE(has_extension("at", ".dat"));
}

}  // namespace
}  // namespace ks::store
