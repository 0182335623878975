// nldat: reads and writes locale-formatted data through the uwinldat module.
#include <cstdio>

int main() {
  std::puts("usage: nldat [--locale L] [--module PATH] COMMAND ...");
  return 0;
}
