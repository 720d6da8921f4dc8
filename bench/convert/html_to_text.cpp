// Conversion throughput over a deterministic generated corpus: pages with
// tables, lists, links, images, scripts and Japanese text, in each encoding,
// and an RSS feed. Reports MB/s of input converted, single thread.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"
#include "net/body_sink.h"

namespace {

// A small deterministic generator (no dependence on the library's rand).
struct Lcg {
  uint32_t s = 12345;
  uint32_t next(uint32_t n) {
    s = s * 1103515245u + 12345u;
    return (s >> 8) % n;
  }
};

const char* const kWords[] = {"更新",   "お知らせ", "ニュース", "製品",     "価格",
                              "東京都", "ページ",   "カタカナ", "ひらがな", "日本語",
                              "news",   "update",   "2024",     "price",    "item"};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);

std::string sentence(Lcg& r) {
  std::string s;
  int n = 4 + static_cast<int>(r.next(12));
  for (int i = 0; i < n; ++i) {
    s += kWords[r.next(kWordCount)];
    s += r.next(4) == 0 ? " " : "";
  }
  s += "。";
  return s;
}

// A UTF-8 page of about `size` bytes.
std::string make_page(std::size_t size) {
  Lcg r;
  std::string p =
      "<!DOCTYPE html>\n<html><head><title>ベンチマーク</title>\n"
      "<style>body { margin: 0 } td { padding: 2px }</style></head><body>\n";
  while (p.size() < size) {
    switch (r.next(6)) {
      case 0:
        p += "<table class=\"list\">\n";
        for (int i = 0; i < 5; ++i) {
          p += "  <tr><td>" + sentence(r) + "</td><td><a href=\"/item/" +
               std::to_string(r.next(100000)) + ".html\">" + sentence(r) + "</a></td></tr>\n";
        }
        p += "</table>\n";
        break;
      case 1:
        p += "<ul>\n";
        for (int i = 0; i < 6; ++i) p += "  <li>" + sentence(r) + "</li>\n";
        p += "</ul>\n";
        break;
      case 2:
        p += "<script type=\"text/javascript\">\nfunction f(a, b) { return a < b ? "
             "'</scr' + 'ipt>' : b; }\nvar x = [1, 2, 3];\n</script>\n";
        break;
      case 3:
        p += "<p class=\"news\">" + sentence(r) + "<br>\n" + sentence(r) + " &amp; " + sentence(r) +
             "<img src=\"/img/" + std::to_string(r.next(1000)) + ".png\" alt=\"画像\"></p>\n";
        break;
      case 4:
        p += "<div><span>" + sentence(r) + "</span> <b>" + sentence(r) + "</b></div>\n";
        break;
      default:
        p +=
            "<!-- comment " + std::to_string(r.next(1000)) + " -->\n<h2>" + sentence(r) + "</h2>\n";
        break;
    }
  }
  p += "</body></html>\n";
  return p;
}

std::string make_feed(std::size_t size) {
  Lcg r;
  std::string p =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel>"
      "<title>フィード</title><link>http://example.org/</link>\n";
  while (p.size() < size) {
    p += "<item><title>" + sentence(r) + "</title><link>http://example.org/n/" +
         std::to_string(r.next(100000)) + "</link><description><![CDATA[<p>" + sentence(r) +
         "</p>]]></description><pubDate>Mon, 07 Dec 2026 10:00:00 GMT</pubDate></item>\n";
  }
  p += "</channel></rss>\n";
  return p;
}

std::string recode(const std::string& utf8, const char* to) {
  iconv_t cd = iconv_open(to, "UTF-8");
  std::string out(utf8.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t in_left = utf8.size();
  char* o = out.data();
  std::size_t o_left = out.size();
  iconv(cd, &in, &in_left, &o, &o_left);
  iconv(cd, nullptr, nullptr, &o, &o_left);
  iconv_close(cd);
  out.resize(out.size() - o_left);
  return out;
}

class CountingOutput : public ks::convert::TextOutput {
 public:
  void write(std::string_view bytes) override { bytes_ += bytes.size(); }
  std::size_t bytes_ = 0;
};

void run(benchmark::State& state, const std::string& body, int charset_sel) {
  ks::convert::ConvertSettings s;
  s.page_url = "http://example.org/dir/page.html";
  s.charset_sel = charset_sel;
  CountingOutput out;
  ks::convert::Converter conv(s, out);
  int passes = 0;
  for (auto _ : state) {
    for (int pass = 1; pass <= ks::net::kMaxPasses; ++pass) {
      conv.begin_pass(pass);
      conv.write(body);
      ++passes;
      if (!conv.end_pass()) break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(body.size()));
  state.counters["passes"] = static_cast<double>(passes) / static_cast<double>(state.iterations());
  state.counters["out_ratio"] = static_cast<double>(out.bytes_) / static_cast<double>(body.size()) /
                                static_cast<double>(passes);
}

const std::string& page() {
  static const std::string p = make_page(4 << 20);
  return p;
}

void BM_ShiftJis(benchmark::State& st) {
  static const std::string b = recode(page(), "CP932");
  run(st, b, 0);
}
void BM_EucJpDetected(benchmark::State& st) {
  static const std::string b = recode(page(), "EUC-JP");
  run(st, b, 0);
}
void BM_EucJpChosen(benchmark::State& st) {
  static const std::string b = recode(page(), "EUC-JP");
  run(st, b, 3);
}
void BM_Iso2022JpDetected(benchmark::State& st) {
  static const std::string b = recode(page(), "ISO-2022-JP");
  run(st, b, 0);
}
void BM_Utf8Detected(benchmark::State& st) {
  run(st, page(), 0);
}
void BM_Utf8Chosen(benchmark::State& st) {
  run(st, page(), 4);
}
void BM_Latin1(benchmark::State& st) {
  static const std::string b = [] {
    std::string p = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">";
    Lcg r;
    while (p.size() < (4u << 20)) {
      p += "<p>caf\xE9 cr\xE8me br\xFBl\xE9"
           "e na\xEFve <a href=\"/x\">r\xE9sum\xE9</a></p>\n";
      p += "<table><tr><td>" + std::to_string(r.next(1000)) + "</td></tr></table>\n";
    }
    return p;
  }();
  run(st, b, 0);
}
void BM_RssFeedShiftJis(benchmark::State& st) {
  static const std::string b = recode(make_feed(4 << 20), "CP932");
  run(st, b, 1);
}

// The shared runner's pages (KS_CONVERT_CORPUS, default the v1 corpus in
// /work/bench-out), each converted on its own as a check does: automatic
// character set, one to two passes. Skipped when the folder is missing.
void BM_SharedCorpus(benchmark::State& st) {
  static const std::vector<std::string> pages = [] {
    std::vector<std::string> out;
    const char* env = std::getenv("KS_CONVERT_CORPUS");
    const std::filesystem::path root = env ? env : "/work/bench-out/corpus/v1";
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec)) {
      if (!e.is_regular_file()) continue;
      std::ifstream f(e.path(), std::ios::binary);
      out.emplace_back(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    return out;
  }();
  if (pages.empty()) {
    st.SkipWithError("no corpus (KS_CONVERT_CORPUS)");
    return;
  }
  ks::convert::ConvertSettings s;
  s.page_url = "http://127.0.0.1:18080/p/0000.html";
  CountingOutput out;
  int64_t bytes = 0;
  for (auto _ : st) {
    for (const std::string& body : pages) {
      ks::convert::Converter conv(s, out);
      for (int pass = 1; pass <= ks::net::kMaxPasses; ++pass) {
        conv.begin_pass(pass);
        conv.write(body);
        if (!conv.end_pass()) break;
      }
      bytes += static_cast<int64_t>(body.size());
    }
  }
  st.SetBytesProcessed(bytes);
  st.counters["pages"] = static_cast<double>(pages.size());
}

BENCHMARK(BM_SharedCorpus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EucJpDetected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EucJpChosen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Iso2022JpDetected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8Detected)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8Chosen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Latin1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RssFeedShiftJis)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
