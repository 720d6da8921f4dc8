// The about box: the version banner, who made it, and the versions of the
// libraries in use (zlib, the loaded OpenSSL, the regular-expression
// library), each line saying when a library is not loaded.
#pragma once

#include <QDialog>
#include <QString>

namespace ks::gui {

// The library lines as the about box shows them (one per line).
QString library_lines();

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent);
};

}  // namespace ks::gui
