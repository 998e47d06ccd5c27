#include "zerozedev/pipe/diagnostic_line.h"

#include <cstdio>
#include <string>

void WriteDiagnosticLine(std::string_view line) {
  std::string text(line);
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}
