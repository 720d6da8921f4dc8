// The terminal side of the tree operations' questions. A command that can ask
// takes --yes (answer yes, and "yes to all" for name conflicts) or --no
// (answer no to everything); without either it asks on the terminal, and when
// stdin is not a terminal it refuses (answers no, or cancel) and says so.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/prompt.h"

namespace ks::cli {

enum class AnswerMode { kAsk, kYes, kNo };

// Removes --yes / --no from args. nullopt when both are given.
std::optional<AnswerMode> take_answer_flags(std::vector<std::string>& args);

class TerminalPrompt : public store::Prompt {
 public:
  explicit TerminalPrompt(AnswerMode mode) : mode_(mode) {}
  store::Answer ask(store::Question kind, std::string_view title, std::string_view text,
                    bool default_no) override;
  // Messages go to stderr as "kestrelscan-cli: TITLE: TEXT".
  void message(std::string_view title, std::string_view text) override;
  // The status line is not shown; the last text is kept for the command.
  void status(std::string_view text) override { last_status_ = std::string(text); }

  // True once any message (an error or refusal) was shown.
  bool told_failure() const { return told_failure_; }
  const std::string& last_status() const { return last_status_; }

 private:
  AnswerMode mode_;
  bool told_failure_ = false;
  bool warned_no_terminal_ = false;
  std::string last_status_;
};

}  // namespace ks::cli
