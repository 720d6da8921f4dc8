// Reading a stored raw HTTP response (htmltmp.txt: status line, header lines,
// body, exactly as received) back into a BodySink: the status line, the
// header block (Location, chunked coding, gzip coding, charset declaration,
// Last-Modified), de-chunking and gzip inflation, and the redirect target.
//
// Two levels:
//  - ResponseParser: an incremental byte-level parser for one pass, fed with
//    blocks of any size; constant memory whatever the input (header lines are
//    capped, chunk size lines are capped, inflation works in fixed blocks).
//  - read_response_file(): the conversion stage's entry point over a file,
//    with the status handling, the passes the sink asks for and the
//    raw-header mode. Also what the `convert` command uses to preview a raw
//    response.
//
// Single-threaded: one reader per response; the abort flag may be set from
// any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "net/body_sink.h"
#include "store/check_status.h"
#include "store/page_settings.h"

namespace ks::net {

// Longest first line examined for the status (bytes).
inline constexpr std::size_t kStatusLineMax = 9998;
// Block size of reading the stored response.
inline constexpr std::size_t kReadBlock = 9999;
// Longest Location value taken (bytes); longer values are ignored.
inline constexpr std::size_t kLocationMax = 2100;
// Ceiling of one header line kept for examination (bytes); the rest of an
// overlong line is dropped, so memory stays bounded for any input.
inline constexpr std::size_t kHeaderLineMax = 65535;
// Ceiling of a chunk size line (bytes).
inline constexpr std::size_t kChunkSizeLineMax = 9999;
// zlib input and output blocks (bytes).
inline constexpr std::size_t kInflateBlock = 10000;
// Bounds of inflation. A gzip body of a few megabytes can inflate to
// gigabytes of blanks and hold the conversion stage (and every item waiting
// for it) for minutes. Real pages inflate to far less than kInflatedMax bytes
// and by far less than kInflateRatioMax to 1 (deflate's own ceiling is about
// 1032 to 1, reached only by runs of one byte); either bound passed is an
// inflater failure. The ratio is judged once kInflateRatioFrom bytes came out.
inline constexpr uint64_t kInflatedMax = uint64_t{64} << 20;
inline constexpr uint64_t kInflateRatioMax = 1000;
inline constexpr uint64_t kInflateRatioFrom = uint64_t{1} << 20;

// The HTTP status of a first line: the number after a first token that
// begins with "HTTP" (any case); 0 when the line is not a status line.
int parse_status_line(std::string_view first_line);

// Incremental parser for one pass over the bytes that follow the status line
// (200), or over the whole response (any other status).
class ResponseParser {
 public:
  struct Options {
    // Every header line becomes text (error responses); otherwise only the
    // first Last-Modified line, or an empty line when there is none.
    bool error_response = false;
    // The line-end bytes that ended the status line ("\r\n", "\n"), so that a
    // response without header lines still has its header block ended by the
    // next empty line. Empty when parsing starts at the first byte.
    std::string_view preceding_line_end;
  };

  ResponseParser(BodySink& sink, const Options& options);
  ~ResponseParser();
  ResponseParser(const ResponseParser&) = delete;
  ResponseParser& operator=(const ResponseParser&) = delete;

  // Feeds the next block. Returns false once parsing has stopped: the sink
  // asked to stop, or the inflater failed. Further blocks are then ignored.
  bool feed(std::string_view bytes);
  // End of the input: inflates what is left, gives the header line of a 200
  // answer whose header block never ended. Call once.
  void finish();

  bool inflate_failed() const { return inflate_failed_; }
  bool stopped_by_sink() const { return stopped_by_sink_; }
  bool header_ended() const { return mode_ != Mode::kHeader; }
  bool chunked() const { return chunked_; }
  bool gzip() const { return gzip_; }
  // The last Location value of the header (trimmed), empty when none.
  const std::string& location() const { return location_; }

 private:
  enum class Mode { kHeader, kBody, kBodyGz, kChunkSize, kChunkData, kChunkDataGz };
  class Inflater;

  void header_byte(char c);
  void end_header_line();
  void end_header_block();
  std::size_t chunk_size_bytes(std::string_view bytes);
  std::size_t chunk_data_bytes(std::string_view bytes);
  bool deliver(std::string_view body);
  bool inflate_input(std::string_view compressed);
  bool flush_inflate_input();

  BodySink& sink_;
  bool error_response_;
  Mode mode_ = Mode::kHeader;
  std::string line_;  // the header line being built, at most kHeaderLineMax
  bool pending_blank_ = false;
  int line_end_count_ = 0;  // line-end bytes in a row
  char last_line_end_ = 0;  // the last of them
  bool chunked_ = false;
  bool gzip_ = false;
  std::string location_;
  std::string last_modified_line_;
  bool have_last_modified_ = false;
  bool header_text_given_ = false;
  std::string chunk_line_;      // chunk size text, at most kChunkSizeLineMax
  bool chunk_line_cr_ = false;  // a CR ended the size text; LF expected
  uint64_t chunk_remaining_ = 0;
  int chunk_trailer_skip_ = 0;  // bytes of the CR LF after chunk data still to skip
  std::unique_ptr<Inflater> inflater_;
  std::string gz_input_;  // the 10,000-byte inflater input block
  bool inflate_failed_ = false;
  bool stopped_by_sink_ = false;
  bool stopped_ = false;
  bool finished_ = false;
};

// Whether an item's response is read in raw-header mode: a header check
// (HEAD) fetched by the own HTTP engine.
inline bool wants_raw_header_copy(const store::PageSettings& settings) {
  return settings.use_script == 0 && settings.check_by_http_header != 0;
}

struct ResponseReadOptions {
  // Raw-header mode: the item checks the header block only (HEAD) and is
  // fetched by the own HTTP engine. The text is a line feed followed by the
  // whole stored response.
  bool raw_header_copy = false;
  // The URL the response answered, against which a relative Location value
  // is resolved (Shift_JIS).
  std::string current_url;
  // Set from another thread to stop reading between blocks; may be null.
  const std::atomic<bool>* abort = nullptr;
};

struct ResponseReadResult {
  // kNoChange (200: the text was written), kHttpError (any status other than
  // 200 and 304), kNotModified (304: the old text stays) or kSystemError
  // (body not inflatable, output not writable).
  store::CheckStatus outcome = store::CheckStatus::kNoChange;
  int http_status = 0;
  // The Location value resolved against the current URL, for outcomes 3 and
  // 4; empty when the answer had none or it names a scheme other than http
  // and https.
  std::string redirect_target;
  bool aborted = false;         // stopped by the abort flag: no result
  bool input_missing = false;   // the response file could not be read: no result
  bool output_failed = false;   // the sink could not open its output (outcome 6)
  bool inflate_failed = false;  // outcome 6
  int passes = 0;
};

// Reads the stored response at `path` (Shift_JIS core path) into `sink`.
// The result is meaningful only when neither `aborted` nor `input_missing`.
ResponseReadResult read_response_file(std::string_view path, BodySink& sink,
                                      const ResponseReadOptions& options);

// The same over a response held in memory (tests, fuzzing, previews).
ResponseReadResult read_response_bytes(std::string_view response, BodySink& sink,
                                       const ResponseReadOptions& options);

}  // namespace ks::net
