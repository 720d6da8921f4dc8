// What one comparison needs from the check run: the item, its settings, the
// run's stop flags and the shared services (regular expressions, the
// character reference decoder, the matrix slots, URL cracking).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "compare/matrix.h"
#include "compare/regex.h"
#include "compare/text_match.h"
#include "platform/spare_files.h"
#include "store/check_status.h"
#include "store/page_settings.h"

namespace ks::compare {

// The comparison step leaves kNoChange, kChanged, kInitialized or
// kAreaNotFound; the result record maps every status to the stored code.
using store::CheckStatus;

// The host part of a URL ("" when there is none), as the outer-server rule
// compares it.
using HostOfUrl = std::string (*)(std::string_view url);
std::string url_host(std::string_view url);

struct CompareEnv {
  const RegexLibrary* regex = nullptr;  // nullptr: RegexLibrary::shared()
  MatrixSlots* slots = nullptr;         // nullptr: MatrixSlots::shared()
  ReferenceDecoder decode = &decode_basic_references;
  HostOfUrl host_of = &url_host;
  // The run-wide stop flags; empty: never stopped.
  std::function<bool()> stopped;
  // Files are replaced through this pool when given (the check run's).
  SpareFiles* spares = nullptr;

  const RegexLibrary& regex_library() const { return regex ? *regex : RegexLibrary::shared(); }
  MatrixSlots& slot_table() const { return slots ? *slots : MatrixSlots::shared(); }
  bool stop_requested() const { return stopped && stopped(); }
};

struct CompareTask {
  std::string folder;  // the item folder (Shift_JIS path)
  store::PageSettings settings;
  // The item's current log number, stored here by the comparison step for
  // the rotation that follows.
  int log_number = 0;
  // Where compare_files() puts the added and deleted lines: add<n>.txt and
  // del<n>.txt of this number in the output folder, or add.txt and del.txt
  // when -1. compare_item() sets it to the number after log_number.
  int output_number = -1;
  CompareEnv env;
};

}  // namespace ks::compare
