// Building the tree of a data folder with 10,000 items in 200 groups: from
// the folders (reading each item's flags), from tree.db (the same reads, in
// stored order) and from treecache.tmp (no item file opened).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/fs.h"
#include "store/startup.h"
#include "store/tree_order.h"
#include "store/tree_scan.h"

namespace {

using namespace ks;
using namespace ks::store;

// The data folder, made once per process and removed at exit.
class DataFolder {
 public:
  DataFolder() {
    // KS_BENCH_DIR chooses the file system (default /tmp).
    const char* where = std::getenv("KS_BENCH_DIR");
    std::string templ = std::string(where && *where ? where : "/tmp") + "/kestrel-bench-XXXXXX";
    if (::mkdtemp(templ.data())) base_ = templ + "/";
    for (int g = 0; g < 200; ++g) {
      std::string gdir = data() + "/group" + std::to_string(g) + ".grp";
      for (int i = 0; i < 50; ++i) {
        std::string item = gdir + "/item" + std::to_string(i) + ".dat";
        make_dirs(item);
        write_file_atomic(item + "/site.db", "[CONFIG]\r\nURL=http://example.com/\r\n");
      }
    }
    make_dirs(data() + "/" + Tree::template_root_label());
    Tree tree;
    scan_tree_from_disk(tree, base_);
    if (!save_tree_db(tree, data())) std::abort();
    save_tree_cache(tree, data());
    cache_ = read_file(data() + "/treecache.tmp").value_or("");
    remove_file(data() + "/treecache.tmp");
  }
  ~DataFolder() {
    if (!base_.empty()) remove_tree(base_);
  }
  const std::string& base() const { return base_; }
  std::string data() const { return base_ + "data"; }
  const std::string& cache() const { return cache_; }

 private:
  std::string base_;
  std::string cache_;
};

DataFolder& folder() {
  static DataFolder f;
  return f;
}

void BM_FromFolders(benchmark::State& state) {
  DataFolder& f = folder();
  for (auto _ : state) {
    Tree tree;
    TemplateTable templates;
    StartupTree r = build_tree_at_startup(tree, templates, f.base(), true);
    if (r.source != TreeSource::kFolders) state.SkipWithError("not built from the folders");
    benchmark::DoNotOptimize(tree.size());
  }
}

void BM_FromTreeDb(benchmark::State& state) {
  DataFolder& f = folder();
  for (auto _ : state) {
    Tree tree;
    TemplateTable templates;
    StartupTree r = build_tree_at_startup(tree, templates, f.base(), false);
    if (r.source != TreeSource::kTreeDb) state.SkipWithError("not built from tree.db");
    benchmark::DoNotOptimize(tree.size());
  }
}

void BM_FromCache(benchmark::State& state) {
  DataFolder& f = folder();
  const std::string cache_path = f.data() + "/treecache.tmp";
  for (auto _ : state) {
    state.PauseTiming();
    write_file_atomic(cache_path, f.cache());  // each start-up consumes it
    state.ResumeTiming();
    Tree tree;
    TemplateTable templates;
    StartupTree r = build_tree_at_startup(tree, templates, f.base(), false);
    if (r.source != TreeSource::kCache) state.SkipWithError("not built from the cache");
    benchmark::DoNotOptimize(tree.size());
  }
}

void BM_SaveCache(benchmark::State& state) {
  DataFolder& f = folder();
  Tree tree;
  TemplateTable templates;
  build_tree_at_startup(tree, templates, f.base(), true);
  for (auto _ : state) benchmark::DoNotOptimize(save_tree_at_shutdown(tree, f.base()));
  remove_file(f.data() + "/treecache.tmp");
}

BENCHMARK(BM_FromFolders)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FromTreeDb)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FromCache)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SaveCache)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
