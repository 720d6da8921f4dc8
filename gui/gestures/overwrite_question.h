// The question of a copy or move whose destination already holds a node of
// the same kind and label: "はい(&Y)" copies into it, "すべてはい(&A)" and
// "すべていいえ(&O)" answer every later conflict of the same operation
// (the core remembers them), "いいえ(&N)" skips this node, "キャンセル(&C)"
// (and Esc, and closing the box) stops the whole operation. Modal; UI
// thread. The buttons carry object names ("overwrite_yes", "overwrite_all",
// "overwrite_no", "overwrite_none", "overwrite_cancel") so that scripts and
// tests can press them.
#pragma once

#include <QString>

#include "store/prompt.h"

class QWidget;

namespace ks::gui {

store::Answer ask_overwrite(QWidget* owner, const QString& title, const QString& text,
                            bool default_no);

}  // namespace ks::gui
