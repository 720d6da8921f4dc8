#include "store/prompt.h"

namespace ks::store {

Answer FixedPrompt::ask(Question kind, std::string_view, std::string_view, bool) {
  switch (kind) {
    case Question::kYesNo:
      return yes_ ? Answer::kYes : Answer::kNo;
    case Question::kOkCancel:
      return yes_ ? Answer::kYes : Answer::kCancel;
    case Question::kOverwrite:
      return yes_ ? Answer::kYesToAll : Answer::kNoToAll;
  }
  return Answer::kCancel;
}

}  // namespace ks::store
