#include "net/response_reader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <thread>

#include "net/text_util.h"
#include "platform/fs.h"
#include "platform/url.h"

namespace ks::net {

int parse_status_line(std::string_view line) {
  auto is_sep = [](char c) { return c == ' ' || c == '\r' || c == '\n'; };
  std::size_t i = 0;
  auto next_token = [&]() {
    while (i < line.size() && is_sep(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !is_sep(line[i])) ++i;
    return line.substr(start, i - start);
  };
  std::string_view first = next_token();
  std::string_view second = next_token();
  if (!istarts_with(first, "http") || second.empty()) return 0;
  // The number at the start of the token, as atoi reads it; bounded.
  int status = 0;
  for (char c : second) {
    if (c < '0' || c > '9' || status > 99999) break;
    status = status * 10 + (c - '0');
  }
  return status;
}

// zlib inflation with automatic zlib/gzip header detection, output in
// kInflateBlock pieces.
class ResponseParser::Inflater {
 public:
  Inflater() { ok_ = inflateInit2(&zs_, 15 + 32) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&zs_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  bool ok() const { return ok_; }
  bool ended() const { return ended_; }
  bool received_input() const { return zs_.total_in > 0; }
  // Inflation went past its bounds (see kInflatedMax).
  bool too_much() const {
    const uint64_t out = zs_.total_out;
    return out > kInflatedMax ||
           (out > kInflateRatioFrom && out / kInflateRatioMax > uint64_t{zs_.total_in});
  }

  // Inflates `in` whole (input after the end of the stream is ignored) and
  // hands every output block to `out`. Returns false on an inflater error;
  // sets `stopped` when `out` returned false.
  template <typename Out>
  bool run(std::string_view in, Out&& out, bool& stopped) {
    if (ended_ || in.empty()) return true;
    zs_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs_.avail_in = static_cast<uInt>(in.size());
    while (true) {
      zs_.next_out = reinterpret_cast<Bytef*>(out_.data());
      zs_.avail_out = static_cast<uInt>(out_.size());
      int r = inflate(&zs_, Z_NO_FLUSH);
      std::size_t produced = out_.size() - zs_.avail_out;
      // No progress with the input used up is the normal wait for more input.
      if (r == Z_BUF_ERROR && zs_.avail_in == 0) r = Z_OK;
      if (r < 0 || r == Z_NEED_DICT) return false;
      if (too_much()) return false;
      if (produced > 0 && !out(std::string_view(out_.data(), produced))) {
        stopped = true;
        return true;
      }
      if (r == Z_STREAM_END) {
        ended_ = true;
        return true;
      }
      if (zs_.avail_in == 0 && zs_.avail_out != 0) return true;
    }
  }

 private:
  z_stream zs_{};
  bool ok_ = false;
  bool ended_ = false;
  std::array<char, kInflateBlock> out_{};
};

ResponseParser::ResponseParser(BodySink& sink, const Options& options)
    : sink_(sink), error_response_(options.error_response) {
  // Count the status line's own line end, so that an empty line right after
  // it ends the header block of a response without header lines.
  for (char c : options.preceding_line_end) {
    ++line_end_count_;
    last_line_end_ = c;
  }
}

ResponseParser::~ResponseParser() = default;

bool ResponseParser::feed(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size() && !stopped_) {
    std::string_view rest = bytes.substr(i);
    switch (mode_) {
      case Mode::kHeader:  // header lines until an empty line; then a body mode
        header_byte(rest[0]);
        i += 1;
        break;
      case Mode::kBody:  // plain body: everything to the sink
        deliver(rest);
        i = bytes.size();
        break;
      case Mode::kBodyGz:  // gzip body: everything to the inflater
        inflate_input(rest);
        i = bytes.size();
        break;
      case Mode::kChunkSize:  // a hexadecimal size line; then chunk data
        i += chunk_size_bytes(rest);
        break;
      case Mode::kChunkData:  // chunk data and its CR LF; then the next size line
      case Mode::kChunkDataGz:
        i += chunk_data_bytes(rest);
        break;
    }
  }
  return !stopped_;
}

void ResponseParser::header_byte(char c) {
  if (c != '\r' && c != '\n') {
    line_end_count_ = 0;
    if (c == ' ' || c == '\t') {
      // Runs of blanks collapse to one; blanks at the start are dropped.
      if (!line_.empty()) pending_blank_ = true;
      return;
    }
    if (line_.size() + 2 <= kHeaderLineMax) {
      if (pending_blank_) line_.push_back(' ');
      line_.push_back(c);
    }
    pending_blank_ = false;
    return;
  }
  if (!line_.empty()) end_header_line();
  line_.clear();
  pending_blank_ = false;
  // An empty line ends the block: two equal line-end bytes in a row (LF LF,
  // CR CR, and so CR LF LF too) or CR LF CR LF.
  ++line_end_count_;
  bool ended = (line_end_count_ >= 2 && c == last_line_end_) || line_end_count_ >= 4;
  last_line_end_ = c;
  if (ended) end_header_block();
}

void ResponseParser::end_header_line() {
  std::string_view line = line_;
  if (istarts_with(line, "location:")) {
    std::string_view value = trim_ascii(line.substr(9));
    if (value.size() <= kLocationMax) location_ = std::string(value);
    return;
  }
  if (iequals(line, "transfer-encoding: chunked")) {
    chunked_ = true;
    return;
  }
  if (std::size_t at = ifind(line, "charset="); at != std::string_view::npos)
    sink_.header_charset(line.substr(at + 8));
  if (iequals(line, "content-encoding: gzip")) {
    gzip_ = true;
  } else if (istarts_with(line, "last-modified:")) {
    if (error_response_) {
      sink_.text_line(line);
    } else if (!have_last_modified_) {
      last_modified_line_ = std::string(line);
      have_last_modified_ = true;
    }
  } else if (error_response_) {
    sink_.text_line(line);
  }
}

void ResponseParser::end_header_block() {
  line_.clear();
  if (!error_response_) {
    sink_.text_line(last_modified_line_);
    header_text_given_ = true;
  }
  sink_.begin_body();
  if (gzip_) {
    inflater_ = std::make_unique<Inflater>();
    if (!inflater_->ok()) {
      inflate_failed_ = true;
      stopped_ = true;
    }
    gz_input_.reserve(kInflateBlock);
  }
  if (chunked_) {
    mode_ = Mode::kChunkSize;
  } else {
    mode_ = gzip_ ? Mode::kBodyGz : Mode::kBody;
  }
}

std::size_t ResponseParser::chunk_size_bytes(std::string_view bytes) {
  char c = bytes[0];
  if (chunk_line_cr_) {
    chunk_line_cr_ = false;
    if (c == '\n') {
      uint64_t size = 0;
      for (char h : chunk_line_) {
        int digit = hex_value(h);
        if (digit < 0) break;
        // Saturate: a size beyond any real body just means "the rest".
        size = size > (UINT64_MAX >> 4) ? UINT64_MAX : (size << 4) | static_cast<uint64_t>(digit);
      }
      chunk_line_.clear();
      chunk_remaining_ = size;
      chunk_trailer_skip_ = 2;
      mode_ = gzip_ ? Mode::kChunkDataGz : Mode::kChunkData;
      return 1;
    }
    // A CR not followed by LF: drop what was collected and start again with
    // this byte.
    chunk_line_.clear();
    return 0;
  }
  if (c == '\r') {
    chunk_line_cr_ = true;
  } else if (chunk_line_.size() < kChunkSizeLineMax) {
    chunk_line_.push_back(c);
  }
  return 1;
}

std::size_t ResponseParser::chunk_data_bytes(std::string_view bytes) {
  if (chunk_remaining_ > 0) {
    std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(chunk_remaining_, bytes.size()));
    std::string_view data = bytes.substr(0, n);
    chunk_remaining_ -= n;
    if (mode_ == Mode::kChunkData) {
      deliver(data);
    } else {
      inflate_input(data);
      if (chunk_remaining_ == 0 && !stopped_) flush_inflate_input();
    }
    return n;
  }
  // The CR LF after the chunk's data.
  if (--chunk_trailer_skip_ <= 0) mode_ = Mode::kChunkSize;
  return 1;
}

bool ResponseParser::deliver(std::string_view body) {
  if (body.empty() || stopped_) return !stopped_;
  if (!sink_.write(body)) {
    stopped_by_sink_ = true;
    stopped_ = true;
  }
  return !stopped_;
}

bool ResponseParser::inflate_input(std::string_view compressed) {
  while (!compressed.empty() && !stopped_) {
    std::size_t room = kInflateBlock - gz_input_.size();
    std::size_t n = std::min(room, compressed.size());
    gz_input_.append(compressed.substr(0, n));
    compressed.remove_prefix(n);
    if (gz_input_.size() == kInflateBlock) flush_inflate_input();
  }
  return !stopped_;
}

bool ResponseParser::flush_inflate_input() {
  if (gz_input_.empty() || stopped_) return !stopped_;
  bool sink_stopped = false;
  bool ok = inflater_->run(
      gz_input_, [this](std::string_view out) { return deliver(out); }, sink_stopped);
  gz_input_.clear();
  if (!ok) {
    inflate_failed_ = true;
    stopped_ = true;
  }
  return !stopped_;
}

void ResponseParser::finish() {
  if (finished_) return;
  finished_ = true;
  if (stopped_) return;
  if (mode_ == Mode::kHeader) {
    // The header block never ended: the last line still counts, and a 200
    // answer still gets its header line.
    if (!line_.empty()) end_header_line();
    line_.clear();
    if (!error_response_ && !header_text_given_) {
      sink_.text_line(last_modified_line_);
      header_text_given_ = true;
    }
    return;
  }
  if (inflater_) {
    flush_inflate_input();
    // A compressed body that stops before its end lost data: report it.
    if (!stopped_ && inflater_->received_input() && !inflater_->ended()) {
      inflate_failed_ = true;
      stopped_ = true;
    }
    inflater_.reset();
  }
}

namespace {

// Where the stored response comes from: a file read block by block, or memory.
class Source {
 public:
  virtual ~Source() = default;
  // The next block of at most `max` bytes; empty at the end.
  virtual std::string_view next(std::size_t max) = 0;
  virtual bool rewind() = 0;
};

class MemorySource final : public Source {
 public:
  explicit MemorySource(std::string_view data) : data_(data) {}
  std::string_view next(std::size_t max) override {
    std::string_view out = data_.substr(pos_, max);
    pos_ += out.size();
    return out;
  }
  bool rewind() override {
    pos_ = 0;
    return true;
  }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

class FileSource final : public Source {
 public:
  explicit FileSource(std::string_view path)
      : file_(fopen_regular_for_reading(path)), buffer_(kReadBlock, '\0') {}
  ~FileSource() override {
    if (file_) std::fclose(file_);
  }
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool open() const { return file_ != nullptr; }
  std::string_view next(std::size_t max) override {
    if (!file_) return {};
    std::size_t n = std::fread(buffer_.data(), 1, std::min(max, buffer_.size()), file_);
    return std::string_view(buffer_.data(), n);
  }
  bool rewind() override { return file_ && std::fseek(file_, 0, SEEK_SET) == 0; }

 private:
  std::FILE* file_;
  std::string buffer_;
};

bool aborted(const ResponseReadOptions& options) {
  return options.abort && options.abort->load(std::memory_order_relaxed);
}

// The first line as a line reader with a 9,999-byte buffer sees it: up to and
// including its LF, at most kStatusLineMax bytes.
std::string read_first_line(Source& source) {
  std::string line;
  std::string_view block = source.next(kStatusLineMax);
  std::size_t lf = block.find('\n');
  line.assign(block.substr(0, lf == std::string_view::npos ? block.size() : lf + 1));
  return line;
}

// One pass of the parser over the source. Returns false when aborted.
bool run_pass(Source& source, BodySink& sink, std::size_t skip,
              const ResponseParser::Options& parser_options, const ResponseReadOptions& options,
              ResponseReadResult& result) {
  ResponseParser parser(sink, parser_options);
  if (!source.rewind()) return true;
  while (skip > 0) {
    std::size_t n = source.next(skip).size();
    if (n == 0) break;
    skip -= n;
  }
  for (int blocks = 1;; ++blocks) {
    if (aborted(options)) {
      result.aborted = true;
      return false;
    }
    std::string_view block = source.next(kReadBlock);
    if (block.empty()) break;
    if (!parser.feed(block)) break;
    if (blocks % 31 == 0) std::this_thread::yield();
  }
  parser.finish();
  result.inflate_failed = parser.inflate_failed();
  if (!parser.location().empty()) result.redirect_target = parser.location();
  return true;
}

ResponseReadResult read_from(Source& source, BodySink& sink, const ResponseReadOptions& options) {
  ResponseReadResult result;
  std::string first_line = read_first_line(source);
  result.http_status = parse_status_line(first_line);
  if (result.http_status == 304) {
    result.outcome = store::CheckStatus::kNotModified;
    return result;
  }
  result.outcome =
      result.http_status == 200 ? store::CheckStatus::kNoChange : store::CheckStatus::kHttpError;

  if (!sink.begin_pass(1)) {
    // The old text must not be taken as "not modified" when the new one could
    // not even be written.
    result.outcome = store::CheckStatus::kSystemError;
    result.output_failed = true;
    return result;
  }
  result.passes = 1;

  if (options.raw_header_copy) {
    sink.text_line("");
    if (source.rewind()) {
      for (std::string_view block; !(block = source.next(kReadBlock)).empty();) {
        if (aborted(options)) {
          result.aborted = true;
          break;
        }
        sink.raw_bytes(block);
      }
    }
    sink.end_pass();
    return result;
  }

  ResponseParser::Options parser_options;
  std::size_t skip = 0;
  if (result.outcome == store::CheckStatus::kNoChange) {
    skip = first_line.size();
    if (first_line.ends_with("\r\n")) {
      parser_options.preceding_line_end = "\r\n";
    } else if (first_line.ends_with("\n")) {
      parser_options.preceding_line_end = "\n";
    }
  } else {
    parser_options.error_response = true;
  }

  for (int pass = 1; pass <= kMaxPasses; ++pass) {
    if (pass > 1 && !sink.begin_pass(pass)) {
      result.outcome = store::CheckStatus::kSystemError;
      result.output_failed = true;
      return result;
    }
    result.passes = pass;
    result.redirect_target.clear();
    bool finished = run_pass(source, sink, skip, parser_options, options, result);
    bool again = sink.end_pass();
    if (!finished || result.inflate_failed || !again) break;
  }

  if (result.inflate_failed) result.outcome = store::CheckStatus::kSystemError;
  if (result.outcome == store::CheckStatus::kHttpError && !result.redirect_target.empty()) {
    result.redirect_target = combine_url(options.current_url, result.redirect_target);
    if (result.redirect_target.size() > kLocationMax) result.redirect_target.clear();
    // Only http and https are followed: this engine speaks nothing else, and
    // an ftp: or gopher: target must not be fetched as if it were http.
    if (!istarts_with(result.redirect_target, "http://") &&
        !istarts_with(result.redirect_target, "https://")) {
      result.redirect_target.clear();
    }
  } else {
    result.redirect_target.clear();
  }
  return result;
}

}  // namespace

ResponseReadResult read_response_file(std::string_view path, BodySink& sink,
                                      const ResponseReadOptions& options) {
  FileSource source(path);
  if (!source.open()) {
    ResponseReadResult result;
    result.input_missing = true;
    return result;
  }
  return read_from(source, sink, options);
}

ResponseReadResult read_response_bytes(std::string_view response, BodySink& sink,
                                       const ResponseReadOptions& options) {
  MemorySource source(response);
  return read_from(source, sink, options);
}

}  // namespace ks::net
