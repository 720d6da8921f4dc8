#include "shell/about_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "check/browser_component_fetch.h"
#include "compare/regex.h"
#include "net/about.h"
#include "net/tls.h"
#include "shell/icons.h"
#include "shell/qt_text.h"

namespace ks::gui {

QString library_lines(const store::Folders* folders) {
  std::string lines = net::library_version_lines(net::process_tls());
  lines += compare::RegexLibrary::shared().version_line();
  if (folders) {
    lines += check::browser_component_line(check::browser_component_info(*folders, true));
  }
  QString text = from_sjis(lines);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

AboutBox::AboutBox(QWidget* parent, const store::Folders* folders) : QDialog(parent) {
  setWindowTitle(QStringLiteral("バージョン情報"));
  auto* icon = new QLabel(this);
  icon->setPixmap(app_icon().pixmap(48, 48));
  auto* banner = new QLabel(QStringLiteral("Kestrelscan v" KS_VERSION), this);
  QFont bold = banner->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.3);
  banner->setFont(bold);
  auto* maker = new QLabel(QStringLiteral("Kestrelscan チームが作りました。"), this);
  auto* libraries = new QPlainTextEdit(library_lines(folders), this);
  libraries->setReadOnly(true);
  libraries->setObjectName(QStringLiteral("libraries"));
  libraries->setMinimumWidth(420);
  libraries->setFixedHeight(libraries->fontMetrics().lineSpacing() * 4 + 12);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(icon, 0, Qt::AlignHCenter);
  layout->addWidget(banner, 0, Qt::AlignHCenter);
  layout->addWidget(maker, 0, Qt::AlignHCenter);
  layout->addWidget(libraries);
  layout->addWidget(buttons);
}

}  // namespace ks::gui
