#include "core/Trace.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>

void Trace(const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(line, sizeof line - 1, format, args);
  va_end(args);
  if (n < 0) return;
  size_t len = static_cast<size_t>(n) < sizeof line - 2 ? static_cast<size_t>(n) : sizeof line - 2;
  line[len++] = '\n';
  // One write call, so lines from several threads never interleave.
  ssize_t ignored = ::write(STDERR_FILENO, line, len);
  (void)ignored;
}
