// Regular expressions for check areas, NG words and extract words, through the
// Oniguruma library loaded at run time by name. Without the library (or with
// a library that lacks one of the functions used) nothing is available and
// every pattern fails to compile, so no regular expression ever matches.
//
// Matching is byte-oriented: patterns are compiled with the ASCII encoding and
// the library's default syntax, so a Shift_JIS character in a pattern matches
// its two bytes in sequence.
//
// load() and unload() belong to start-up and shut-down (one thread, no
// comparison running); compiling and searching may run on any thread, each
// Regex used by one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/dynlib.h"

namespace ks::compare {

inline constexpr const char* kRegexLibraryName = "libonig.so.5";

class RegexLibrary {
 public:
  // The instance that start-up loads and the comparisons use.
  static RegexLibrary& shared();

  RegexLibrary();
  ~RegexLibrary();
  RegexLibrary(const RegexLibrary&) = delete;
  RegexLibrary& operator=(const RegexLibrary&) = delete;

  // Loads the library and looks up every function; true when available. A
  // library that loads but lacks a function stays loaded, unavailable.
  bool load(const std::string& name = kRegexLibraryName);
  // Ends the library's use and closes it.
  void unload();
  bool available() const { return available_; }

  // The about-box line (Shift_JIS, ending in CR LF).
  std::string version_line() const;

 private:
  friend class Regex;
  struct Api;
  DynLib lib_;
  std::unique_ptr<Api> api_;
  bool available_ = false;
};

// One compiled pattern with its match region.
class Regex {
 public:
  // Compiles when the library is available; otherwise, or when the pattern
  // does not compile, ok() is false and search() never matches. `library`
  // must outlive the Regex.
  Regex(const RegexLibrary& library, std::string_view pattern);
  ~Regex();
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;

  bool ok() const { return regex_ != nullptr; }
  // True when the pattern matches somewhere in `line`.
  bool search(std::string_view line) const;

 private:
  const RegexLibrary& library_;
  void* regex_ = nullptr;   // OnigRegex
  void* region_ = nullptr;  // OnigRegion*
};

}  // namespace ks::compare
