// Reading stored responses: the status line, the header block, de-chunking
// and gzip inflation into a sink that only counts. Throughput is reported
// per byte of decoded body (MB/s of the page as the converter receives it).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "net/response_reader.h"

namespace {

class CountingSink : public ks::net::BodySink {
 public:
  bool begin_pass(int) override { return true; }
  void text_line(std::string_view) override {}
  void header_charset(std::string_view) override {}
  void begin_body() override {}
  bool write(std::string_view bytes) override {
    bytes_ += bytes.size();
    return true;
  }
  void raw_bytes(std::string_view) override {}
  bool end_pass() override { return false; }
  std::size_t bytes_ = 0;
};

std::string page(std::size_t size) {
  std::string s;
  unsigned x = 1;
  while (s.size() < size) {
    x = x * 1103515245u + 12345u;
    s += "<tr><td>item " + std::to_string(x % 1000000) + "</td><td>\x93\xfa\x96\x7b</td></tr>\n";
  }
  s.resize(size);
  return s;
}

std::string gzip(const std::string& data) {
  z_stream zs{};
  deflateInit2(&zs, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, static_cast<uLong>(data.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

// Chunks of 8 KB, as servers commonly send them.
std::string chunked(const std::string& data) {
  std::string out;
  char size[32];
  for (std::size_t i = 0; i < data.size(); i += 8192) {
    std::string piece = data.substr(i, 8192);
    std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
    out += size + piece + "\r\n";
  }
  return out + "0\r\n\r\n";
}

const std::string& body() {
  static const std::string b = page(4 << 20);
  return b;
}

const char* const kHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nLast-Modified: x\r\n";

void run(benchmark::State& state, const std::string& response) {
  for (auto _ : state) {
    CountingSink sink;
    auto r = ks::net::read_response_bytes(response, sink, {});
    benchmark::DoNotOptimize(r.outcome);
    if (sink.bytes_ != body().size()) state.SkipWithError("body size differs");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(body().size()));
}

void BM_Plain(benchmark::State& state) {
  static const std::string r = std::string(kHead) + "\r\n" + body();
  run(state, r);
}
void BM_Chunked(benchmark::State& state) {
  static const std::string r =
      std::string(kHead) + "Transfer-Encoding: chunked\r\n\r\n" + chunked(body());
  run(state, r);
}
void BM_Gzip(benchmark::State& state) {
  static const std::string r = std::string(kHead) + "Content-Encoding: gzip\r\n\r\n" + gzip(body());
  run(state, r);
}
void BM_ChunkedGzip(benchmark::State& state) {
  static const std::string r = std::string(kHead) +
                               "Transfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n" +
                               chunked(gzip(body()));
  run(state, r);
}

// The same through a stored file (from the page cache), as the conversion
// stage reads htmltmp.txt.
void run_file(benchmark::State& state, const std::string& response) {
  std::string path = "/tmp/kestrel-bench-htmltmp-" + std::to_string(::getpid()) + ".txt";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(response.data(), 1, response.size(), f) != response.size()) {
    state.SkipWithError("cannot write the response file");
    if (f) std::fclose(f);
    return;
  }
  std::fclose(f);
  for (auto _ : state) {
    CountingSink sink;
    auto r = ks::net::read_response_file(path, sink, {});
    benchmark::DoNotOptimize(r.outcome);
    if (sink.bytes_ != body().size()) state.SkipWithError("body size differs");
  }
  std::remove(path.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(body().size()));
}

void BM_PlainFile(benchmark::State& state) {
  run_file(state, std::string(kHead) + "\r\n" + body());
}
void BM_ChunkedGzipFile(benchmark::State& state) {
  run_file(state, std::string(kHead) +
                      "Transfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n" +
                      chunked(gzip(body())));
}

BENCHMARK(BM_Plain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chunked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gzip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkedGzip)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunkedGzipFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
