// The tree operations' questions and messages as message boxes owned by the
// main window, and their status texts in its status bar. Modal: the
// operations run on the UI thread and wait for the answer.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "store/prompt.h"

namespace ks::gui {

class MessagePrompt : public store::Prompt {
 public:
  using StatusFn = std::function<void(const QString&)>;
  MessagePrompt(QWidget* owner, StatusFn status) : owner_(owner), status_(std::move(status)) {}

  store::Answer ask(store::Question kind, std::string_view title, std::string_view text,
                    bool default_no) override;
  void message(std::string_view title, std::string_view text) override;
  void status(std::string_view text) override;

 private:
  QPointer<QWidget> owner_;
  StatusFn status_;
};

}  // namespace ks::gui
