#include "compare/area_state.h"

namespace ks::compare {
namespace {

std::string_view cut(const std::string& s) {
  return std::string_view(s).substr(0, s.find('\0'));
}

}  // namespace

AreaState::AreaState(const store::PageSettings& settings, const RegexLibrary& library,
                     ReferenceDecoder decode)
    : decode_(decode) {
  const bool regex = settings.use_regexp_check_area != 0;
  for (std::size_t i = 0; i < 2; ++i) {
    const store::AreaSetting& c = settings.check_areas[i];
    const store::AreaSetting& g = settings.ignore_areas[i];
    if (!cut(c.start).empty() || !cut(c.end).empty()) check_configured_ = true;
    if (!cut(g.start).empty()) ignore_configured_ = true;
    check_[i].setting = c;
    ignore_[i].setting = g;
  }
  for (std::size_t i = 0; i < 2; ++i) {
    if (check_configured_) {
      check_[i].start = TextMatcher(cut(check_[i].setting.start), regex, library);
      check_[i].end = TextMatcher(cut(check_[i].setting.end), regex, library);
    }
    if (ignore_configured_) {
      ignore_[i].start = TextMatcher(cut(ignore_[i].setting.start), regex, library);
      ignore_[i].end = TextMatcher(cut(ignore_[i].setting.end), regex, library);
    }
  }
  if (!any_configured()) {
    found_ = true;
    return;
  }
  if (!check_configured_) {
    check_state_ = Check::kInside;  // only ignored areas act
    return;
  }
  // An area with only an end text is open from the first line.
  for (int i = 0; i < 2; ++i) {
    const Area& a = check_[static_cast<std::size_t>(i)];
    if (a.start.empty() && !a.end.empty()) {
      check_state_ = Check::kInside;
      current_check_ = i;
      if (!a.setting.repeat) done_[static_cast<std::size_t>(i)] = true;
      break;
    }
  }
}

bool AreaState::feed(std::string_view line) {
  if (!any_configured()) return true;
  const std::string copy = decoded_copy(line, decode_);

  if (check_configured_) {
    if (check_state_ == Check::kOutside) {
      for (int i = 0; i < 2; ++i) {
        const Area& a = check_[static_cast<std::size_t>(i)];
        if (done_[static_cast<std::size_t>(i)] || a.start.empty()) continue;
        if (!a.start.matches(copy)) continue;
        check_state_ = a.setting.start_type == 1 ? Check::kStartLine : Check::kInside;
        current_check_ = i;
        ignore_state_ = Ignore::kOff;
        if (!a.setting.repeat) done_[static_cast<std::size_t>(i)] = true;
        break;
      }
    }
    const Area& cur = check_[static_cast<std::size_t>(current_check_)];
    if (check_state_ == Check::kInside && !cur.end.empty() && cur.end.matches(copy)) {
      if (cur.setting.end_type == 1) {
        check_state_ = Check::kOutside;
        ignore_state_ = Ignore::kOff;
      } else {
        check_state_ = Check::kLastLine;
      }
    }
  }

  if (ignore_configured_ && (check_state_ == Check::kInside || check_state_ == Check::kLastLine)) {
    if (ignore_state_ == Ignore::kOff) {
      for (int i = 0; i < 2; ++i) {
        const Area& a = ignore_[static_cast<std::size_t>(i)];
        if (a.start.empty() || !a.start.matches(copy)) continue;
        ignore_state_ = a.setting.start_type == 1 ? Ignore::kStartLine : Ignore::kOn;
        current_ignore_ = i;
        break;
      }
    } else {
      const Area& a = ignore_[static_cast<std::size_t>(current_ignore_)];
      if (!a.end.empty() && a.end.matches(copy)) {
        ignore_state_ = a.setting.end_type == 0 ? Ignore::kLastLine : Ignore::kOff;
      }
    }
  }

  const bool inside = (check_state_ == Check::kInside || check_state_ == Check::kLastLine) &&
                      (ignore_state_ == Ignore::kOff || ignore_state_ == Ignore::kStartLine);
  if (inside) found_ = true;

  if (check_state_ == Check::kStartLine) {
    check_state_ = Check::kInside;
    ignore_state_ = Ignore::kOff;
  } else if (check_state_ == Check::kLastLine) {
    check_state_ = Check::kOutside;
    ignore_state_ = Ignore::kOff;
  }
  if (ignore_state_ == Ignore::kStartLine) {
    ignore_state_ = Ignore::kOn;
  } else if (ignore_state_ == Ignore::kLastLine) {
    ignore_state_ = Ignore::kOff;
  }
  return inside;
}

}  // namespace ks::compare
