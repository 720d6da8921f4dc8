#include "convert/page_sink.h"

#include "platform/fs.h"

namespace ks::convert {

CrlfFileOutput::~CrlfFileOutput() {
  close();
}

bool CrlfFileOutput::open(std::string_view path) {
  close();
  failed_ = false;
  file_ = fopen_for_writing(path);
  return file_ != nullptr;
}

void CrlfFileOutput::write(std::string_view bytes) {
  if (file_ == nullptr) return;
  buf_.clear();
  buf_.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') buf_ += '\r';
    buf_ += c;
  }
  if (std::fwrite(buf_.data(), 1, buf_.size(), file_) != buf_.size()) failed_ = true;
}

void CrlfFileOutput::write_unchanged(std::string_view bytes) {
  if (file_ == nullptr) return;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
}

bool CrlfFileOutput::close() {
  if (file_ == nullptr) return !failed_;
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  return !failed_;
}

PageSink::PageSink(const ConvertSettings& settings, std::string path, const std::atomic<bool>* stop)
    : path_(std::move(path)), converter_(settings, out_) {
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
  bool again = converter_.end_pass();
  if (!out_.close()) output_failed_ = true;
  return again && !output_failed_;
}

StringSink::StringSink(const ConvertSettings& settings) : converter_(settings, out_) {}

bool StringSink::begin_pass(int pass) {
  out_.text.clear();
  converter_.begin_pass(pass);
  passes_ = pass;
  return true;
}

}  // namespace ks::convert
