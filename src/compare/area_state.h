// Which lines of a text take part in the comparison: the item's two check
// areas select parts of the text, its two ignored areas cut parts out of the
// selection. Lines are fed one at a time, in order; the state says for each
// whether it is inside. With no area configured every line is inside.
//
// One AreaState per text being loaded or shown; its compiled patterns live
// as long as it does. Not shared between threads.
#pragma once

#include <array>
#include <string_view>

#include "compare/text_match.h"
#include "store/page_settings.h"

namespace ks::compare {

class AreaState {
 public:
  AreaState(const store::PageSettings& settings, const RegexLibrary& library,
            ReferenceDecoder decode);

  // Feeds the next line (non-empty lines only, as the loader does); returns
  // whether it is inside.
  bool feed(std::string_view line);

  bool any_configured() const { return check_configured_ || ignore_configured_; }
  // Some line so far was inside (always true with no area configured).
  bool found() const { return found_; }

 private:
  enum class Check {
    kOutside,    // waits for a start text; the next state is kStartLine or kInside
    kStartLine,  // the start line of a "from the next line" area; kInside next
    kInside,     // inside; an end text leads to kOutside or kLastLine
    kLastLine,   // the end line of an "up to this line" area; kOutside next
  };
  enum class Ignore {
    kOff,        // not ignoring; a start text leads to kStartLine or kOn
    kStartLine,  // start line of a "from the next line" ignored area
    kOn,         // ignoring; an end text leads to kLastLine or kOff
    kLastLine,   // end line of an "up to this line" ignored area
  };
  struct Area {
    store::AreaSetting setting;
    TextMatcher start, end;
  };

  std::array<Area, 2> check_;
  std::array<Area, 2> ignore_;
  std::array<bool, 2> done_{false, false};
  bool check_configured_ = false;
  bool ignore_configured_ = false;
  ReferenceDecoder decode_;
  Check check_state_ = Check::kOutside;
  int current_check_ = 0;
  Ignore ignore_state_ = Ignore::kOff;
  int current_ignore_ = 0;
  bool found_ = false;
};

}  // namespace ks::compare
