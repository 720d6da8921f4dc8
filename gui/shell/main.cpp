// kestrelscan: the desktop app.
#include "platform/allocator.h"
#include "shell/desktop_app.h"

int main(int argc, char** argv) {
  ks::settle_allocator();
  return ks::gui::run_desktop_app(argc, argv);
}
