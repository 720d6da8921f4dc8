// Replays fuzz inputs without libFuzzer: every file named on the command line,
// or every file inside a named folder, is passed to LLVMFuzzerTestOneInput once.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
void run_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
}  // namespace

int main(int argc, char** argv) {
  int runs = 0;
  LLVMFuzzerTestOneInput(nullptr, 0);
  ++runs;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) {
      for (const auto& e : std::filesystem::recursive_directory_iterator(p)) {
        if (e.is_regular_file()) {
          run_file(e.path());
          ++runs;
        }
      }
    } else if (std::filesystem::is_regular_file(p, ec)) {
      run_file(p);
      ++runs;
    }
  }
  std::printf("replayed %d inputs\n", runs);
  return 0;
}
