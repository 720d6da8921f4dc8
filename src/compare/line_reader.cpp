#include "compare/line_reader.h"

#include <algorithm>
#include <cstring>

#include "compare/limits.h"
#include "platform/fs.h"

namespace ks::compare {

namespace {
constexpr std::size_t kBlockSize = 65536;
}

LineReader::LineReader(std::string_view path)
    : file_(fopen_regular_for_reading(path)), block_(new char[kBlockSize]) {}

bool LineReader::fill() {
  pos_ = 0;
  end_ = file_ ? std::fread(block_.get(), 1, kBlockSize, file_.get()) : 0;
  return end_ > 0;
}

bool LineReader::next(std::string_view& line) {
  if (!file_) return false;
  line_.clear();
  bool any = false;
  // As fgets with a kMaxReadLine + 1 byte buffer: up to and including an LF,
  // at most kMaxReadLine bytes.
  while (line_.size() < kMaxReadLine) {
    if (pos_ == end_ && !fill()) break;
    any = true;
    const std::size_t room = std::min(end_ - pos_, kMaxReadLine - line_.size());
    const char* from = block_.get() + pos_;
    const void* lf = std::memchr(from, '\n', room);
    const std::size_t take =
        lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) + 1 : room;
    line_.append(from, take);
    pos_ += take;
    if (lf) break;
  }
  if (!any) return false;
  if (std::memchr(line_.data(), 0, line_.size()) != nullptr) {
    std::replace(line_.begin(), line_.end(), '\0', '?');
  }
  std::size_t n = line_.size();
  while (n > 0 && (line_[n - 1] == '\n' || line_[n - 1] == '\r')) --n;
  line = std::string_view(line_.data(), n);
  return true;
}

}  // namespace ks::compare
