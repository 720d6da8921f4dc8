// kestrelscan-cli: the headless front end.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::puts("usage: kestrelscan-cli [--home DIR] COMMAND ...");
    return argc < 2 ? 2 : 0;
  }
  std::fprintf(stderr, "kestrelscan-cli: unknown command: %s\n", argv[1]);
  return 2;
}
