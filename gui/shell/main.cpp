// kestrelscan: the desktop app.
#include "shell/desktop_app.h"

int main(int argc, char** argv) {
  return ks::gui::run_desktop_app(argc, argv);
}
