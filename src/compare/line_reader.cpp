#include "compare/line_reader.h"

#include <cstring>

#include "compare/limits.h"
#include "platform/fs.h"

namespace ks::compare {

namespace {
constexpr std::size_t kBufferSize = kMaxReadLine + 1;
}

LineReader::LineReader(std::string_view path)
    : file_(std::fopen(to_os_path(path).c_str(), "rbe")), buffer_(new char[kBufferSize]) {}

bool LineReader::next(std::string_view& line) {
  if (!file_) return false;
  if (!std::fgets(buffer_.get(), static_cast<int>(kBufferSize), file_.get())) return false;
  std::size_t n = std::strlen(buffer_.get());
  while (n > 0 && (buffer_[n - 1] == '\n' || buffer_[n - 1] == '\r')) --n;
  line = std::string_view(buffer_.get(), n);
  return true;
}

}  // namespace ks::compare
