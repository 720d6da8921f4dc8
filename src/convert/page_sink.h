// The conversion stage's second half: a net::BodySink that feeds the body of
// a stored response through the converter into the item's new.txt (Shift_JIS,
// CR LF line ends). The response reader (net/response_reader.h) drives it,
// pass by pass; each pass truncates and rewrites the file.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "convert/converter.h"
#include "net/body_sink.h"
#include "platform/spare_files.h"

namespace ks::convert {

// A TextOutput that writes LF line ends as CR LF into a file. The text is
// gathered in memory and written when the output closes (in pieces of 256 KB
// while it is longer), so a pass that is run again (a late character-set
// finding) has usually written nothing. With a spare-file pool a text that
// fits in memory replaces the file whole (platform/spare_files.h); else an
// existing file is overwritten in place and cut to the new length rather
// than emptied first, so its room is reused.
class CrlfFileOutput : public TextOutput {
 public:
  explicit CrlfFileOutput(SpareFiles* spares = nullptr) : spares_(spares) {}
  // Closes an open file without writing what is gathered.
  ~CrlfFileOutput() override;
  CrlfFileOutput(const CrlfFileOutput&) = delete;
  CrlfFileOutput& operator=(const CrlfFileOutput&) = delete;

  // Starts the output, from its beginning, for the file at a Shift_JIS core
  // path; a second call for the next pass reuses what is open. Without a
  // pool the file is opened (created) here: false when it cannot be.
  bool open(std::string_view path);
  bool is_open() const { return open_; }
  void write(std::string_view bytes) override;
  // Bytes stored exactly as given.
  void write_unchanged(std::string_view bytes);
  // Writes what is gathered and ends the file there; false when any write
  // or the close failed (or nothing was open).
  bool close();

 private:
  bool flush();

  SpareFiles* spares_;
  std::string path_;
  bool open_ = false;
  int fd_ = -1;
  bool failed_ = false;
  int64_t written_ = 0;  // bytes of this pass in the file so far
  std::string buf_;
};

class PageSink : public net::BodySink {
 public:
  // `path`: where new.txt goes (Shift_JIS core path). `stop` and `spares`
  // may be null.
  PageSink(const ConvertSettings& settings, std::string path,
           const std::atomic<bool>* stop = nullptr, SpareFiles* spares = nullptr);

  bool begin_pass(int pass) override;
  void text_line(std::string_view line) override;
  void header_charset(std::string_view name) override;
  void begin_body() override {}
  bool write(std::string_view bytes) override;
  void raw_bytes(std::string_view bytes) override;
  bool end_pass() override;
  // After the reader is done: a pass that asked to be run again but was not
  // (the reader stopped early) is written as it stands, unless stopped.
  void finish();

  // The output could not be written completely.
  bool output_failed() const { return output_failed_; }
  // A stop request ended the conversion: there is no result.
  bool stopped() const { return converter_.stopped(); }

 private:
  std::string path_;
  CrlfFileOutput out_;
  Converter converter_;
  bool output_failed_ = false;
};

// The same conversion into memory (LF line ends), for previews and tests:
// a reader drives it exactly as it drives a PageSink.
class StringSink : public net::BodySink {
 public:
  explicit StringSink(const ConvertSettings& settings);

  bool begin_pass(int pass) override;
  void text_line(std::string_view line) override { converter_.text_line(line); }
  void header_charset(std::string_view name) override { converter_.header_charset(name); }
  void begin_body() override {}
  bool write(std::string_view bytes) override { return converter_.write(bytes); }
  void raw_bytes(std::string_view bytes) override { out_.text.append(bytes); }
  bool end_pass() override { return converter_.end_pass(); }

  const std::string& text() const { return out_.text; }
  int passes() const { return passes_; }

 private:
  struct Out : TextOutput {
    void write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
  };
  Out out_;
  Converter converter_;
  int passes_ = 0;
};

}  // namespace ks::convert
