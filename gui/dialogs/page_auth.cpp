// "認証": Basic authentication with a user ID and a password of at most 64
// bytes each. The password is shown deciphered and stored enciphered; an
// empty one stores an empty value, and one whose stored form would not fit
// leaves the stored value as it was. "その他": the legacy TLS connection flag.
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/dialogs/page_sheet.h"
#include "gui/dialogs/page_sheet_pages.h"
#include "gui/dialogs/text_limits.h"
#include "store/auth_pass.h"

namespace ks::gui {
namespace {

class AuthPage final : public FormPage {
 public:
  explicit AuthPage(SheetState& s) : FormPage(s, false) {
    store::PageSettings& v = s.values();
    auto* layout = new QVBoxLayout(this);
    auto* g = new QGridLayout;
    layout->addLayout(g);
    PageGrid& rows = grid(g);
    rows.row(std::nullopt, {bind_.check(QStringLiteral("Basic認証を使用する"), &v.auth_type)},
             true);
    QLineEdit* id = bind_.line(&v.auth_id, store::kAuthIdCapacity - 1);
    id->setObjectName(QStringLiteral("auth_id"));
    password_ = new QLineEdit;
    password_->setObjectName(QStringLiteral("auth_pass"));
    password_->setEchoMode(QLineEdit::Password);
    limit_line_edit(password_, store::kAuthIdCapacity - 1);
    password_->setText(edit_text(store::decipher_password(v.auth_pass)));
    for (QLineEdit* e : {id, password_}) e->setMinimumWidth(220);
    rows.row(std::nullopt, {caption(QStringLiteral("ユーザーID"), id), id}, true);
    rows.row(std::nullopt, {caption(QStringLiteral("パスワード"), password_), password_}, true);
    layout->addStretch(1);
  }

  void apply() override {
    FormPage::apply();
    if (auto stored = store::encipher_password(one_line_sjis(password_->text()))) {
      state_.values().auth_pass = *stored;
    }
  }

 private:
  QLineEdit* password_;
};

class LegacyPage final : public FormPage {
 public:
  explicit LegacyPage(SheetState& s) : FormPage(s, false) {
    auto* layout = new QVBoxLayout(this);
    auto* g = new QGridLayout;
    layout->addLayout(g);
    grid(g).row(std::nullopt,
                {bind_.check(QStringLiteral("レガシーなサーバーの接続を許可する(OpenSSL)"),
                             &s.values().enable_legacy_server_connect)},
                true);
    layout->addStretch(1);
  }
};

}  // namespace

SheetPage* make_auth_page(SheetState& state) {
  return new AuthPage(state);
}

SheetPage* make_legacy_page(SheetState& state) {
  return new LegacyPage(state);
}

}  // namespace ks::gui
