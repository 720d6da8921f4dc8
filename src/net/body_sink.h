// Where the response reader (net/response_reader.h) hands what it finds in a
// stored raw response (htmltmp.txt): the header lines that become text, the
// charset declarations of the header, and the body bytes after de-chunking
// and inflation, in order. The HTML-to-text converter implements it and owns
// the output text (new.txt); tests use a recording sink.
//
// Call order for one reading of a response, per pass:
//
//   begin_pass(n)                       n = 1, then 2, 3, 4 while end_pass asks for more
//     text_line(...)*  header_charset(...)*      while the header block is read
//     begin_body()                      once, when the header block ended
//     write(...)*                       body bytes, in blocks of any size
//   end_pass()                          always, also after a stop or a failure
//
// - A 304 answer calls nothing at all: the old text stays untouched.
// - A 200 answer gives exactly one text_line before the body: the response's
//   first "Last-Modified:" header line, or an empty line when it has none. The
//   comparison takes the first line of every text as its header line.
// - Any other status (an error page, a redirect, or a first line that is not a
//   status line) gives every header line, the first line included, as a
//   text_line; the body follows as usual.
// - The raw-header mode (HEAD checks that compare the header block) gives
//   text_line("") and then the whole stored response through raw_bytes(),
//   unparsed; header_charset, begin_body and write are not called.
// - When the header block never ends (a truncated response), begin_body and
//   write are not called; for a 200 answer the header line still comes.
//
// All calls come from the thread that reads the response. Texts are bytes as
// received (the header is ASCII in practice); the sink decodes the body.
#pragma once

#include <string_view>

namespace ks::net {

class BodySink {
 public:
  virtual ~BodySink() = default;

  // A pass begins: open (truncate) the output text and reset the conversion
  // state, keeping from the second pass on the character set that the first
  // pass settled. Returns false when the output cannot be opened; the reader
  // then stops with a system error and calls nothing else (no end_pass).
  virtual bool begin_pass(int pass) = 0;

  // One line of text written as it stands, followed by a line end. `line`
  // holds no line-end bytes; runs of blanks are already collapsed to one.
  virtual void text_line(std::string_view line) = 0;

  // A header line holds "charset=" (any case): `name` is the text after it,
  // up to the end of the line, e.g. "EUC-JP" or "utf-8; foo". The sink takes
  // it only when the item asks for detection and nothing was declared yet,
  // matching its own table of names by prefix.
  virtual void header_charset(std::string_view name) = 0;

  // The header block ended; body bytes follow (possibly none).
  virtual void begin_body() = 0;

  // Body bytes in order. Returns false to stop the pass at once: a restart
  // was requested (a late charset declaration), or the sink failed. The reader
  // then calls end_pass() without delivering more.
  virtual bool write(std::string_view bytes) = 0;

  // Bytes written to the output unchanged (raw-header mode only).
  virtual void raw_bytes(std::string_view bytes) = 0;

  // End of the pass: flush and close the output. Returns true when the sink
  // wants another pass over the same response (at most kMaxPasses in all).
  virtual bool end_pass() = 0;
};

// A converter reads a page twice when its charset is found late, and a
// guess that fails costs two readings more.
inline constexpr int kMaxPasses = 4;

}  // namespace ks::net
