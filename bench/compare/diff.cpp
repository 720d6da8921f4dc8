// The line diff on 20,000-line texts of about 500 KB: 10 changed lines,
// 1,000 changed lines, and two unrelated texts. Each run loads both files,
// diffs them and marks the changes (the diff engine as the comparison step
// calls it). Counters: matrix_MB is the peak memory of the direction matrix
// (allocated 62,500-byte blocks), reported the lines marked on both sides.
//
// The texts are generated here, deterministically; with KS_DIFF_CORPUS set to
// a folder holding base.txt, c10.txt, c1000.txt and full.txt those are used
// instead (for a side-by-side run with other tools on the same files);
// full1.txt is then made from full.txt and base.txt here.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "compare/diff_engine.h"
#include "compare/matrix.h"
#include "platform/fs.h"

namespace {

using namespace ks::compare;

std::string line(std::mt19937& rng) {
  static const char* kWords[] = {"News", "Top",  "Info", "Blog", "Support", "Download",
                                 "FAQ",  "Shop", "Item", "Ver.", "PDF",     "Contact"};
  std::string s = "2024/" + std::to_string(1 + rng() % 12) + "/" + std::to_string(1 + rng() % 28);
  const int words = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < words; ++i) {
    s += ' ';
    s += rng() % 3 ? kWords[rng() % 12] : "item" + std::to_string(rng() % 99999);
  }
  return s;
}

std::vector<std::string> read_lines(const std::string& path) {
  std::vector<std::string> out;
  const std::string data = ks::read_file(path).value_or("");
  std::size_t pos = data.find('\n') + 1;  // past the header line
  while (pos < data.size()) {
    std::size_t e = data.find('\n', pos);
    if (e == std::string::npos) e = data.size();
    std::size_t len = e - pos;
    if (len > 0 && data[e - 1] == '\r') --len;
    out.push_back(data.substr(pos, len));
    pos = e + 1;
  }
  return out;
}

struct Corpus {
  std::string input;  // base.txt, c10.txt, c1000.txt, full.txt
  std::string own;    // what is generated here
  Corpus() {
    char tmpl[] = "/tmp/ks_bench_diff_XXXXXX";
    own = mkdtemp(tmpl);
    std::vector<std::string> base, full;
    if (const char* c = std::getenv("KS_DIFF_CORPUS")) {
      input = c;
      base = read_lines(ks::path_join(input, "base.txt"));
      full = read_lines(ks::path_join(input, "full.txt"));
    } else {
      input = own;
      std::mt19937 rng(1);
      while (base.size() < 20000) base.push_back(line(rng));
      save("base.txt", base);
      for (int k : {10, 1000}) {
        std::vector<std::string> v = base;
        std::mt19937 r2(static_cast<unsigned>(k));
        for (int j = 0; j < k; ++j) v[r2() % v.size()] = "changed " + line(r2);
        save("c" + std::to_string(k) + ".txt", v);
      }
      std::mt19937 r3(99);
      while (full.size() < 20000) full.push_back("x" + line(r3));
      save("full.txt", full);
    }
    // Unrelated except for one line in the middle: no shortcut applies, the
    // search visits nearly every point (the worst case of the method).
    if (full.size() > 10000 && base.size() > 10000) full[10000] = base[10000];
    save("full1.txt", full);
  }
  ~Corpus() { ks::remove_tree(own); }
  void save(const std::string& name, const std::vector<std::string>& lines) {
    std::string s = "Last-Modified: Mon, 07 Dec 2026 00:00:00 GMT\r\n";
    for (const auto& l : lines) s += l + "\r\n";
    ks::write_file_atomic(ks::path_join(own, name), s);
  }
  std::string path(const std::string& name) const {
    return ks::path_join(name == "full1.txt" ? own : input, name);
  }
};

Corpus& corpus() {
  static Corpus c;
  return c;
}

void run(benchmark::State& state, const char* other) {
  const std::string a = corpus().path("base.txt");
  const std::string b = corpus().path(other);
  ks::store::PageSettings settings;
  CompareEnv env;
  MatrixSlots slots;
  env.slots = &slots;
  TextLineList o, n;
  int reported = 0;
  for (auto _ : state) {
    run_diff_engine(a, b, o, n, settings, env);
    reported = o.reported_count() + n.reported_count();
    benchmark::DoNotOptimize(reported);
  }
  state.counters["matrix_MB"] = static_cast<double>(slots.peak_blocks()) * kBlockBytes / 1e6;
  state.counters["blocks"] = static_cast<double>(slots.peak_blocks());
  state.counters["reported"] = reported;
}

void BM_Diff10Changes(benchmark::State& s) {
  run(s, "c10.txt");
}
void BM_Diff1000Changes(benchmark::State& s) {
  run(s, "c1000.txt");
}
void BM_DiffUnrelated(benchmark::State& s) {
  run(s, "full.txt");
}
void BM_DiffUnrelatedOneCommonLine(benchmark::State& s) {
  run(s, "full1.txt");
}

}  // namespace

BENCHMARK(BM_Diff10Changes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Diff1000Changes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffUnrelated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffUnrelatedOneCommonLine)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
