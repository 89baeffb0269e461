// Entry point of the program.
#include <cstdio>

int main() {
  std::fprintf(stderr, "OVK_DOvaru: the main window is not built yet.\n");
  return 1;
}
