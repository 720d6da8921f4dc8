// The about box: the version banner, who made it, and the versions of the
// libraries in use (zlib, the loaded OpenSSL, the regular-expression
// library, the browser component), each line saying when one is missing.
#pragma once

#include <QDialog>
#include <QString>

#include "store/folders.h"

namespace ks::gui {

// The library lines as the about box shows them (one per line); with
// `folders`, also the browser component's line (its browser is asked for
// its version, a fraction of a second).
QString library_lines(const store::Folders* folders = nullptr);

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  AboutBox(QWidget* parent, const store::Folders* folders);
};

}  // namespace ks::gui
