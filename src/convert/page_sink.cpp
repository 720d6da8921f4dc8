#include "convert/page_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs.h"

namespace ks::convert {

namespace {

// Text gathered before it goes to the file; most pages' texts fit whole.
constexpr std::size_t kFileOutputBlock = 256 * 1024;

}  // namespace

CrlfFileOutput::~CrlfFileOutput() {
  if (fd_ >= 0) ::close(fd_);
}

bool CrlfFileOutput::open(std::string_view path) {
  path_ = std::string(path);
  buf_.clear();
  written_ = 0;
  failed_ = false;
  open_ = true;
  if (fd_ < 0 && !(spares_ && spares_->active())) {
    // Never through a link or into a file with another name.
    fd_ = open_for_writing(path_);
    if (fd_ < 0) open_ = false;
  }
  return open_;
}

void CrlfFileOutput::write(std::string_view bytes) {
  if (!open_) return;
  std::size_t from = 0;
  while (from < bytes.size()) {
    const std::size_t lf = bytes.find('\n', from);
    if (lf == std::string_view::npos) {
      buf_.append(bytes.substr(from));
      break;
    }
    buf_.append(bytes.substr(from, lf - from));
    buf_.append("\r\n");
    from = lf + 1;
  }
  if (buf_.size() >= kFileOutputBlock) flush();
}

void CrlfFileOutput::write_unchanged(std::string_view bytes) {
  if (!open_) return;
  buf_.append(bytes);
  if (buf_.size() >= kFileOutputBlock) flush();
}

bool CrlfFileOutput::flush() {
  if (fd_ < 0 && !failed_ && !buf_.empty()) {
    // Too long to gather whole: on into the file itself.
    fd_ = ::open(to_os_path(path_).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) failed_ = true;
  }
  if (!failed_ && !buf_.empty()) {
    // pwrite: a pass that ran again starts over at the beginning.
    const char* p = buf_.data();
    std::size_t n = buf_.size();
    while (n > 0) {
      const ssize_t w = ::pwrite(fd_, p, n, written_);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        failed_ = true;
        break;
      }
      p += w;
      n -= static_cast<std::size_t>(w);
      written_ += w;
    }
  }
  buf_.clear();
  return !failed_;
}

bool CrlfFileOutput::close() {
  if (!open_) return false;
  open_ = false;
  if (fd_ < 0) {
    // All of it gathered: one whole replacement.
    const bool ok = !failed_ && replace_file(spares_, path_, buf_);
    buf_.clear();
    return ok;
  }
  flush();
  // What an earlier, longer text left behind the new one goes.
  if (!failed_ && ::ftruncate(fd_, written_) != 0) failed_ = true;
  if (::close(fd_) != 0) failed_ = true;
  fd_ = -1;
  return !failed_;
}

PageSink::PageSink(const ConvertSettings& settings, std::string path, const std::atomic<bool>* stop,
                   SpareFiles* spares)
    : path_(std::move(path)), out_(spares), converter_(settings, out_) {
  converter_.set_stop_flag(stop);
}

bool PageSink::begin_pass(int pass) {
  if (!out_.open(path_)) {
    output_failed_ = true;
    return false;
  }
  converter_.begin_pass(pass);
  return true;
}

void PageSink::text_line(std::string_view line) {
  converter_.text_line(line);
}

void PageSink::header_charset(std::string_view name) {
  converter_.header_charset(name);
}

bool PageSink::write(std::string_view bytes) {
  return converter_.write(bytes);
}

void PageSink::raw_bytes(std::string_view bytes) {
  // The raw header copy is stored as received, line ends included.
  out_.write_unchanged(bytes);
}

bool PageSink::end_pass() {
  // Before another pass nothing is written: the next pass starts anew (and
  // when none follows, the text so far is written as the sink ends).
  if (converter_.end_pass()) return true;
  if (!out_.close()) output_failed_ = true;
  return false;
}

void PageSink::finish() {
  if (out_.is_open() && !converter_.stopped() && !out_.close()) output_failed_ = true;
}

StringSink::StringSink(const ConvertSettings& settings) : converter_(settings, out_) {}

bool StringSink::begin_pass(int pass) {
  out_.text.clear();
  converter_.begin_pass(pass);
  passes_ = pass;
  return true;
}

}  // namespace ks::convert
