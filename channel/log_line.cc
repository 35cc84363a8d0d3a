#include "channel/log_line.h"

#include <cstdio>

namespace flutter {

void LogLine(const std::string& text) {
  std::string line = text;
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace flutter
