#include "prompt.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "command.h"
#include "platform/sjis.h"

namespace ks::cli {
namespace {

using store::Answer;
using store::Question;

Answer fixed_answer(Question kind, bool yes) {
  switch (kind) {
    case Question::kYesNo:
      return yes ? Answer::kYes : Answer::kNo;
    case Question::kOkCancel:
      return yes ? Answer::kYes : Answer::kCancel;
    case Question::kOverwrite:
      return yes ? Answer::kYesToAll : Answer::kNoToAll;
  }
  return Answer::kCancel;
}

// What a refusal answers: nothing is done, and a conflict stops the whole
// operation rather than half-merging folders.
Answer refusal(Question kind) {
  return kind == Question::kYesNo ? Answer::kNo : Answer::kCancel;
}

std::string choices(Question kind) {
  switch (kind) {
    case Question::kYesNo:
      return _("[y]es / [n]o");
    case Question::kOkCancel:
      return _("[o]k / [c]ancel");
    case Question::kOverwrite:
      return _("[y]es / yes to [a]ll / [n]o / n[o] to all / [c]ancel");
  }
  return {};
}

std::optional<Answer> parse_answer(Question kind, const std::string& word) {
  if (kind == Question::kOkCancel) {
    if (word == "o" || word == "ok" || word == "y" || word == "yes") return Answer::kYes;
    if (word == "c" || word == "cancel" || word == "n" || word == "no") return Answer::kCancel;
    return std::nullopt;
  }
  if (word == "y" || word == "yes") return Answer::kYes;
  if (word == "n" || word == "no") return Answer::kNo;
  if (kind == Question::kOverwrite) {
    if (word == "a" || word == "all") return Answer::kYesToAll;
    if (word == "o" || word == "none") return Answer::kNoToAll;
    if (word == "c" || word == "cancel") return Answer::kCancel;
  }
  return std::nullopt;
}

// Core text for the terminal: CR LF (the line break of the messages) becomes
// LF; a lone CR and other control bytes (from names) become '?'.
std::string for_terminal(std::string_view sjis) {
  std::string out;
  for (std::size_t i = 0; i < sjis.size(); ++i) {
    if (sjis[i] == '\r' && i + 1 < sjis.size() && sjis[i + 1] == '\n') continue;
    out += sjis[i];
  }
  return terminal_safe(sjis_to_utf8(out));
}

}  // namespace

std::optional<AnswerMode> take_answer_flags(std::vector<std::string>& args) {
  std::vector<std::string> rest;
  bool yes = false;
  bool no = false;
  for (std::string& a : args) {
    if (a == "--yes" || a == "-y") {
      yes = true;
    } else if (a == "--no") {
      no = true;
    } else {
      rest.push_back(std::move(a));
    }
  }
  args = std::move(rest);
  if (yes && no) return std::nullopt;
  return yes ? AnswerMode::kYes : no ? AnswerMode::kNo : AnswerMode::kAsk;
}

Answer TerminalPrompt::ask(Question kind, std::string_view title, std::string_view text,
                           bool default_no) {
  if (mode_ != AnswerMode::kAsk) return fixed_answer(kind, mode_ == AnswerMode::kYes);
  if (!::isatty(STDIN_FILENO)) {
    if (!warned_no_terminal_) {
      std::fprintf(stderr, "kestrelscan-cli: %s\nkestrelscan-cli: %s\n", for_terminal(text).c_str(),
                   _("not asked: stdin is not a terminal (answering no; use --yes or --no)"));
      warned_no_terminal_ = true;
    }
    return refusal(kind);
  }
  const std::string shown = for_terminal(title) + ": " + for_terminal(text);
  for (;;) {
    std::fprintf(stderr, "%s\n%s%s ", shown.c_str(), choices(kind).c_str(),
                 default_no ? _(" (default: no)") : "");
    std::fflush(stderr);
    char buf[64];
    if (!std::fgets(buf, sizeof buf, stdin)) return refusal(kind);
    std::string word(buf);
    while (!word.empty() && (word.back() == '\n' || word.back() == '\r' || word.back() == ' ')) {
      word.pop_back();
    }
    for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (word.empty()) return refusal(kind);
    if (auto a = parse_answer(kind, word)) return *a;
  }
}

void TerminalPrompt::message(std::string_view title, std::string_view text) {
  told_failure_ = true;
  std::fprintf(stderr, "kestrelscan-cli: %s: %s\n", for_terminal(title).c_str(),
               for_terminal(text).c_str());
}

}  // namespace ks::cli
