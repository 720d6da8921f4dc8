// How a tree operation asks the user and tells about failures. Each front end
// implements Prompt (the CLI on the terminal, the desktop app with message
// boxes, tests with a script). Texts and titles are Shift_JIS.
//
// Operations call it on their own thread (the front end's UI thread) and wait
// for the answer.
#pragma once

#include <string>
#include <string_view>

namespace ks::store {

enum class Question {
  kYesNo,      // Yes / No (deletion); answers kYes or kNo
  kOkCancel,   // OK / Cancel (repair, a name too long); answers kYes or kCancel
  kOverwrite,  // Yes / Yes to all / No / No to all / Cancel (a name conflict)
};

enum class Answer { kYes, kYesToAll, kNo, kNoToAll, kCancel };

class Prompt {
 public:
  virtual ~Prompt() = default;
  // A question; `default_no` says which button is the default (No or Cancel).
  virtual Answer ask(Question kind, std::string_view title, std::string_view text,
                     bool default_no) = 0;
  // A message the user acknowledges (errors, refusals).
  virtual void message(std::string_view title, std::string_view text) = 0;
  // The status line; an empty text clears it.
  virtual void status(std::string_view text) = 0;
};

// Answers every question with one fixed answer and drops messages; used where
// nobody can be asked (a front end without a terminal answers "no").
class FixedPrompt : public Prompt {
 public:
  explicit FixedPrompt(bool yes) : yes_(yes) {}
  Answer ask(Question kind, std::string_view, std::string_view, bool) override;
  void message(std::string_view, std::string_view) override {}
  void status(std::string_view) override {}

 private:
  bool yes_;
};

}  // namespace ks::store
