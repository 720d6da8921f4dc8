// The HTML-to-text converter: one forward pass over a page's body, byte by
// byte, with no document tree. Decoded Shift_JIS bytes run through a scanner,
// a tag tokenizer and a text writer that collapses white space and breaks
// lines at block tags; anchors and images stay in the lines as a small markup
// (see docs/architecture.md, "Conversion"). Feeds (RSS, RDF, Atom) switch
// the same converter into a feed mode that writes one line per item.
//
// A Converter is one conversion's context: a few hundred kilobytes of
// buffers, allocated when it is made and reused by later passes. Memory
// stays constant whatever the page. Not thread-safe: one thread drives it;
// only the stop flag may be set from another thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace ks::store {
struct PageSettings;
}

namespace ks::convert {

// The item settings that conversion reads.
struct ConvertSettings {
  int table_setting = 0;  // 0 none, 1 one line per cell, 2 one line per row
  int charset_sel = 0;    // 0 detect, 1 Shift_JIS, 2 ISO-2022-JP, 3 EUC-JP, 4 UTF-8
  bool as_text = false;   // the body is plain text
  bool save_comment = false;
  bool save_select = false;
  bool save_iframe = false;
  bool ignore_a_name = false;
  bool save_rss_description = false;
  bool save_rss_content = false;
  std::string page_url;  // the URL that was requested (Shift_JIS)
  // Output beyond this many bytes per pass is dropped (see limits.h).
  std::size_t output_limit = 64u << 20;

  static ConvertSettings from(const store::PageSettings& page, std::string_view page_url);
};

// Where converted text goes: Shift_JIS bytes with LF line ends, in order.
class TextOutput {
 public:
  virtual ~TextOutput() = default;
  virtual void write(std::string_view bytes) = 0;
};

class Context;

class Converter {
 public:
  // `out` must outlive the converter.
  Converter(const ConvertSettings& settings, TextOutput& out);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Resets the context for pass 1, 2, ... (up to net::kMaxPasses). Later
  // passes keep the character set that the first one settled, or try one.
  void begin_pass(int pass);
  // A "charset=" declaration of a response header: the text after "charset=".
  void header_charset(std::string_view name);
  // A line written to the output as it stands (the text's header line).
  void text_line(std::string_view line);
  // Body bytes, in blocks of any size. Returns false when the pass must stop
  // at once: a late declaration asked for a restart, or the stop flag is set.
  bool write(std::string_view bytes);
  // Ends the pass: closes an open anchor and writes out what is buffered.
  // Returns true when another pass is needed.
  bool end_pass();

  // A check being stopped: the pass ends before its next block of input.
  void set_stop_flag(const std::atomic<bool>* stop);
  bool stopped() const;
  // The charset code in use (0 while undetermined).
  int charset() const;

 private:
  std::unique_ptr<Context> ctx_;
};

// Converts a body held in memory with as many passes as it asks for, as a
// check does.
// The result has LF line ends (new.txt stores them as CR LF).
std::string convert_body(std::string_view body, const ConvertSettings& settings);

}  // namespace ks::convert
