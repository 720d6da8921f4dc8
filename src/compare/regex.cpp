#include "compare/regex.h"

#include <oniguruma.h>

#include "platform/sjis.h"

namespace ks::compare {

// The twelve entry points taken from the library by name. Two of them are
// data: the ASCII encoding object and the variable holding the default syntax.
struct RegexLibrary::Api {
  int (*onig_new)(OnigRegex*, const OnigUChar*, const OnigUChar*, OnigOptionType, OnigEncoding,
                  OnigSyntaxType*, OnigErrorInfo*);
  OnigRegion* (*onig_region_new)();
  int (*onig_error_code_to_str)(OnigUChar*, int, ...);
  OnigEncoding encoding_ascii;
  OnigSyntaxType** default_syntax;
  void (*onig_region_free)(OnigRegion*, int);
  int (*onig_search)(OnigRegex, const OnigUChar*, const OnigUChar*, const OnigUChar*,
                     const OnigUChar*, OnigRegion*, OnigOptionType);
  void (*onig_free)(OnigRegex);
  int (*onig_initialize)(OnigEncoding[], int);
  int (*onig_end)();
  const char* (*onig_version)();
  const char* (*onig_copyright)();
};

namespace {

template <typename T>
bool take(const DynLib& lib, const char* name, T& out) {
  void* p = lib.symbol(name);
  out = reinterpret_cast<T>(p);
  return p != nullptr;
}

}  // namespace

RegexLibrary& RegexLibrary::shared() {
  static RegexLibrary library;
  return library;
}

RegexLibrary::RegexLibrary() = default;

RegexLibrary::~RegexLibrary() {
  unload();
}

bool RegexLibrary::load(const std::string& name) {
  unload();
  lib_ = DynLib(name);
  if (!lib_.loaded()) return false;
  Api a{};
  bool all = take(lib_, "onig_new", a.onig_new);
  all = take(lib_, "onig_region_new", a.onig_region_new) && all;
  all = take(lib_, "onig_error_code_to_str", a.onig_error_code_to_str) && all;
  all = take(lib_, "OnigEncodingASCII", a.encoding_ascii) && all;
  all = take(lib_, "OnigDefaultSyntax", a.default_syntax) && all;
  all = take(lib_, "onig_region_free", a.onig_region_free) && all;
  all = take(lib_, "onig_search", a.onig_search) && all;
  all = take(lib_, "onig_free", a.onig_free) && all;
  all = take(lib_, "onig_initialize", a.onig_initialize) && all;
  all = take(lib_, "onig_end", a.onig_end) && all;
  all = take(lib_, "onig_version", a.onig_version) && all;
  all = take(lib_, "onig_copyright", a.onig_copyright) && all;
  if (!all) return false;
  api_ = std::make_unique<Api>(a);
  OnigEncoding encodings[] = {api_->encoding_ascii};
  api_->onig_initialize(encodings, 1);
  available_ = true;
  return true;
}

void RegexLibrary::unload() {
  if (available_ && api_) api_->onig_end();
  available_ = false;
  api_.reset();
  lib_.close();
}

std::string RegexLibrary::version_line() const {
  const char* c = available_ ? api_->onig_copyright() : nullptr;
  if (!c || !*c) return KS_SJ("正規表現ﾗｲﾌﾞﾗﾘ : ﾛｰﾄﾞされていません。\r\n");
  return KS_SJ("正規表現ﾗｲﾌﾞﾗﾘのﾊﾞｰｼﾞｮﾝ : ") + std::string(c) + "\r\n";
}

Regex::Regex(const RegexLibrary& library, std::string_view pattern) : library_(library) {
  if (!library.available()) return;
  const RegexLibrary::Api& api = *library.api_;
  // The pattern ends at its first NUL, as the stored text does.
  pattern = pattern.substr(0, pattern.find('\0'));
  const auto* p = reinterpret_cast<const OnigUChar*>(pattern.data());
  OnigRegex re = nullptr;
  OnigErrorInfo einfo{};
  const int status = api.onig_new(&re, p, p + pattern.size(), ONIG_OPTION_NONE, api.encoding_ascii,
                                  *api.default_syntax, &einfo);
  if (status != ONIG_NORMAL) {
    if (re) api.onig_free(re);
    return;
  }
  OnigRegion* region = api.onig_region_new();
  if (!region) {
    api.onig_free(re);
    return;
  }
  regex_ = re;
  region_ = region;
}

Regex::~Regex() {
  if (!regex_ || !library_.available()) return;
  const RegexLibrary::Api& api = *library_.api_;
  api.onig_region_free(static_cast<OnigRegion*>(region_), 1);
  api.onig_free(static_cast<OnigRegex>(regex_));
}

bool Regex::search(std::string_view line) const {
  if (!regex_ || !library_.available()) return false;
  const RegexLibrary::Api& api = *library_.api_;
  const auto* s = reinterpret_cast<const OnigUChar*>(line.data());
  const auto* end = s + line.size();
  auto* region = static_cast<OnigRegion*>(region_);
  const int r =
      api.onig_search(static_cast<OnigRegex>(regex_), s, end, s, end, region, ONIG_OPTION_NONE);
  api.onig_region_free(region, 0);
  return r >= 0;
}

}  // namespace ks::compare
