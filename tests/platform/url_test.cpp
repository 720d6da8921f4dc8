#include "platform/url.h"

#include <gtest/gtest.h>

namespace ks {
namespace {

struct Case {
  const char* reference;
  const char* expected;
};

// Reference resolution examples of RFC 3986 section 5.4 (normal and abnormal).
TEST(CombineUrl, ResolvesTheRfcExamples) {
  const Case cases[] = {
      {"g:h", "g:h"},
      {"g", "http://a/b/c/g"},
      {"./g", "http://a/b/c/g"},
      {"g/", "http://a/b/c/g/"},
      {"/g", "http://a/g"},
      {"//g", "http://g"},
      {"?y", "http://a/b/c/d;p?y"},
      {"g?y", "http://a/b/c/g?y"},
      {"#s", "http://a/b/c/d;p?q#s"},
      {"g#s", "http://a/b/c/g#s"},
      {"g?y#s", "http://a/b/c/g?y#s"},
      {";x", "http://a/b/c/;x"},
      {"g;x", "http://a/b/c/g;x"},
      {"g;x?y#s", "http://a/b/c/g;x?y#s"},
      {"", "http://a/b/c/d;p?q"},
      {".", "http://a/b/c/"},
      {"./", "http://a/b/c/"},
      {"..", "http://a/b/"},
      {"../", "http://a/b/"},
      {"../g", "http://a/b/g"},
      {"../..", "http://a/"},
      {"../../", "http://a/"},
      {"../../g", "http://a/g"},
      {"../../../g", "http://a/g"},
      {"../../../../g", "http://a/g"},
      {"/./g", "http://a/g"},
      {"/../g", "http://a/g"},
      {"g.", "http://a/b/c/g."},
      {".g", "http://a/b/c/.g"},
      {"g..", "http://a/b/c/g.."},
      {"..g", "http://a/b/c/..g"},
      {"./../g", "http://a/b/g"},
      {"./g/.", "http://a/b/c/g/"},
      {"g/./h", "http://a/b/c/g/h"},
      {"g/../h", "http://a/b/c/h"},
      {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
      {"g;x=1/../y", "http://a/b/c/y"},
      {"g?y/./x", "http://a/b/c/g?y/./x"},
      {"g?y/../x", "http://a/b/c/g?y/../x"},
      {"g#s/./x", "http://a/b/c/g#s/./x"},
      {"g#s/../x", "http://a/b/c/g#s/../x"},
      {"http:g", "http://a/b/c/g"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(combine_url("http://a/b/c/d;p?q", c.reference), c.expected) << c.reference;
}

TEST(CombineUrl, IsLenientWithRawBytesSpacesAndBackslashes) {
  EXPECT_EQ(combine_url("http://h/dir/page", " /next \r\n"), "http://h/next");
  EXPECT_EQ(combine_url("http://h/a b/c", "d e"), "http://h/a b/d e");
  EXPECT_EQ(combine_url("http://h/dir\\x/p", "q"), "http://h/dir\\x/q");
  // Shift_JIS path whose trail byte is 0x5C.
  EXPECT_EQ(combine_url("http://h/\x95\x5c/p.html", "../\x83\x65.html"), "http://h/\x83\x65.html");
  EXPECT_EQ(combine_url("http://h:81", "x"), "http://h:81/x");
  EXPECT_EQ(combine_url("", "page"), "page");
  EXPECT_EQ(combine_url("https://h/a/b", "HTTP://O/./x/../y"), "HTTP://O/y");
}

// A base split once resolves exactly as combine_url() does, dot segments
// (or names that only look like them) in the base and the reference included.
TEST(CombineUrl, SplitBaseResolvesLikeCombineUrl) {
  const char* bases[] = {"http://h:81/a/./b/../c/page.html?q#f", "https://h", "rel/dir/x", ""};
  const char* refs[] = {"x.html", "./x", "../../../x", ".../x/..",     ".h/..x", "/a/./b/.",
                        "?q",     "#f",  "//o/p/../q", "http:y",       "ftp:z",  " a/.. ",
                        "",       "..",  "a/b/..",     "a?b/../c#d/.."};
  for (const char* base : bases) {
    UrlBase split;
    split.assign(base);
    for (const char* ref : refs) {
      std::string out = "kept/";
      split.append_resolved(out, ref);
      EXPECT_EQ(out, "kept/" + combine_url(base, ref)) << base << " + " << ref;
    }
  }
  EXPECT_EQ(combine_url("http://h/a/b/", ".../x/./y/.."), "http://h/a/b/.../x/");
}

TEST(CrackUrl, SplitsWithDefaultsPerScheme) {
  auto p = crack_url("https://user:pa:ss@Example.ORG/a/b;c?q=1#frag");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->scheme, "https");
  EXPECT_EQ(p->user, "user");
  EXPECT_EQ(p->password, "pa:ss");
  EXPECT_EQ(p->host, "Example.ORG");
  EXPECT_EQ(p->port, 443);
  EXPECT_FALSE(p->port_given);
  EXPECT_EQ(p->path, "/a/b;c");
  EXPECT_EQ(p->extra, "?q=1#frag");

  auto q = crack_url("http://h:8080");
  ASSERT_TRUE(q);
  EXPECT_EQ(q->port, 8080);
  EXPECT_TRUE(q->path.empty());
  EXPECT_TRUE(q->extra.empty());

  auto r = crack_url("HTTP://h?x");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->port, 80);
  EXPECT_EQ(r->extra, "?x");
}

TEST(CrackUrl, RefusesWhatIsNoAbsoluteUrl) {
  EXPECT_FALSE(crack_url("example.org/page"));
  EXPECT_FALSE(crack_url("http:/x"));
  EXPECT_FALSE(crack_url("http://h:99999/"));
  EXPECT_FALSE(crack_url("http://h:8o/"));
  EXPECT_FALSE(crack_url("http://h/" + std::string(3000, 'a')));
}

TEST(CrackUrl, KeepsShiftJisHostsAndPaths) {
  // A host whose trail byte is '@' (0x40) is not user information.
  auto p = crack_url("http://\x83\x40\x83\x41.jp/\x93\xfa\x96\x7b?a b");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->host, "\x83\x40\x83\x41.jp");
  EXPECT_TRUE(p->user.empty());
  EXPECT_EQ(p->path, "/\x93\xfa\x96\x7b");
  EXPECT_EQ(p->extra, "?a b");
}

}  // namespace
}  // namespace ks
