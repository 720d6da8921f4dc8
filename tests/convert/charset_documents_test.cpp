// Detection on real Japanese text: the HTML documentation that Debian ships
// in Japanese (debian-reference-ja, debian-faq-ja; scripts/install-deps.sh
// installs them), recoded at test time to Shift_JIS and to EUC-JP with every
// declaration taken out, as whole documents and paragraph by paragraph. Each
// text must read as what it is: automatic detection gives byte for byte the
// text that naming the charset gives.
#include <dirent.h>
#include <iconv.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "convert/charset.h"
#include "convert_test_util.h"
#include "platform/fs.h"

namespace ks::convert::test {
namespace {

const char* const kFolders[] = {"/usr/share/debian-reference", "/usr/share/doc/debian/FAQ/ja"};

std::vector<std::string> japanese_pages() {
  std::vector<std::string> pages;
  for (const char* folder : kFolders) {
    DIR* d = ::opendir(folder);
    if (!d) continue;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      if (name.size() > 8 && name.compare(name.size() - 8, 8, ".ja.html") == 0) {
        pages.push_back(std::string(folder) + "/" + name);
      }
    }
    ::closedir(d);
  }
  return pages;
}

// UTF-8 text in `to`; characters the set lacks become "&#xHHHH;".
std::string recode(const std::string& utf8, const char* to) {
  iconv_t cd = iconv_open(to, "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << to;
  std::string out;
  char buf[8192];
  char* in = const_cast<char*>(utf8.data());
  std::size_t left = utf8.size();
  while (left > 0) {
    char* o = buf;
    std::size_t room = sizeof buf;
    const std::size_t r = iconv(cd, &in, &left, &o, &room);
    out.append(buf, static_cast<std::size_t>(o - buf));
    if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    // One character without a form: its reference instead.
    const auto lead = static_cast<unsigned char>(*in);
    const std::size_t len = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t cp = lead & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
    for (std::size_t k = 1; k < len && k < left; ++k) cp = cp << 6 | (in[k] & 0x3F);
    char ref[16];
    std::snprintf(ref, sizeof ref, "&#x%X;", static_cast<unsigned>(cp));
    out += ref;
    in += std::min(len, left);
    left -= std::min(len, left);
  }
  iconv_close(cd);
  return out;
}

// The page with its <?xml ...?> prolog and every <meta> naming a charset cut out.
std::string undeclared(std::string page) {
  if (page.compare(0, 5, "<?xml") == 0) page.erase(0, page.find("?>") + 2);
  for (std::size_t at = 0; (at = page.find("<meta", at)) != std::string::npos;) {
    const std::size_t end = page.find('>', at);
    if (page.substr(at, end - at).find("charset") != std::string::npos) {
      page.erase(at, end + 1 - at);
    } else {
      at = end;
    }
  }
  return page;
}

// The whole page, then each of its paragraphs on its own: short texts are
// where both readings are valid.
std::vector<std::string> texts_of(const std::string& page) {
  std::vector<std::string> texts{page};
  for (std::size_t from = 0, end; (end = page.find("</p>", from)) != std::string::npos;) {
    texts.push_back(page.substr(from, end + 4 - from));
    from = end + 4;
  }
  return texts;
}

bool has_high_bytes(const std::string& s) {
  return std::any_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

TEST(CharsetDocuments, UndeclaredShiftJisAndEucJpTextIsReadAsWhatItIs) {
  const std::vector<std::string> pages = japanese_pages();
  if (pages.empty()) GTEST_SKIP() << "debian-reference-ja / debian-faq-ja are not installed";
  struct Encoding {
    const char* iconv_name;
    int charset;
  };
  std::map<int, int> documents, paragraphs, ambiguous, wrong, utf8_too;
  for (const std::string& path : pages) {
    const auto bytes = read_file(path);
    ASSERT_TRUE(bytes) << path;
    const std::vector<std::string> texts = texts_of(undeclared(*bytes));
    for (std::size_t t = 0; t < texts.size(); ++t) {
      for (const Encoding e : {Encoding{"CP932", kCharsetSjis}, Encoding{"EUC-JP", kCharsetEuc}}) {
        const std::string body = recode(texts[t], e.iconv_name);
        if (!has_high_bytes(body)) continue;
        Validator utf8, sjis, euc;
        for (char c : body) {
          validate_utf8(utf8, static_cast<unsigned char>(c));
          validate_sjis(sjis, static_cast<unsigned char>(c));
          validate_euc(euc, static_cast<unsigned char>(c));
        }
        // A few short paragraphs are valid UTF-8 too ("表" in EUC-JP is
        // U+027D), and UTF-8 comes first: not what this test is about.
        if (utf8.state == Validity::kValid) {
          ++utf8_too[e.charset];
          continue;
        }
        ++(t == 0 ? documents : paragraphs)[e.charset];
        if (sjis.state == Validity::kValid && euc.state == Validity::kValid) ++ambiguous[e.charset];
        ConvertSettings named = settings();
        named.charset_sel = e.charset;
        const std::string expected = convert(body, named);
        if (convert(body) != expected && ++wrong[e.charset] <= 5) {
          ADD_FAILURE() << path << " part " << t << " as " << e.iconv_name << " read wrongly";
        }
      }
    }
  }
  EXPECT_GE(documents[kCharsetSjis], 30);
  EXPECT_EQ(documents[kCharsetEuc], documents[kCharsetSjis]);
  EXPECT_GT(ambiguous[kCharsetEuc], 100);  // the case this is about does occur
  EXPECT_EQ(wrong[kCharsetSjis], 0);
  EXPECT_EQ(wrong[kCharsetEuc], 0);
  std::printf(
      "Shift_JIS: %d documents, %d paragraphs (%d also valid EUC-JP, %d left out as valid UTF-8); "
      "EUC-JP: %d documents, %d paragraphs (%d also valid Shift_JIS, %d left out as valid "
      "UTF-8)\n",
      documents[kCharsetSjis], paragraphs[kCharsetSjis], ambiguous[kCharsetSjis],
      utf8_too[kCharsetSjis], documents[kCharsetEuc], paragraphs[kCharsetEuc],
      ambiguous[kCharsetEuc], utf8_too[kCharsetEuc]);
}

}  // namespace
}  // namespace ks::convert::test
