// Reads a text file line by line the way every reader of item texts does: at
// most kMaxReadLine bytes per read (a longer physical line arrives as several
// lines), trailing CR and LF removed. A NUL byte reads as '?', as the
// converter writes it, so no text after it is lost to the readers that keep
// lines as zero-terminated strings. Only regular files are read.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace ks::compare {

class LineReader {
 public:
  explicit LineReader(std::string_view path);
  bool is_open() const { return file_ != nullptr; }
  // The next line, valid until the next call; false at the end of the file.
  bool next(std::string_view& line);

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  bool fill();

  std::unique_ptr<std::FILE, Closer> file_;
  std::unique_ptr<char[]> block_;  // read ahead from the file
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  std::string line_;
};

}  // namespace ks::compare
