#include "channel/log_line.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace flutter {

namespace {

std::atomic<LogLineSink> installed_sink{nullptr};

void WriteLine(const char* text, size_t size) noexcept {
  if (const LogLineSink sink = installed_sink.load(std::memory_order_acquire)) {
    sink(text, size);
    return;
  }
  char line[512];
  if (size < sizeof(line)) {
    std::memcpy(line, text, size);
    line[size] = '\n';
    std::fwrite(line, 1, size + 1, stderr);
  } else {
    std::fwrite(text, 1, size, stderr);
    std::fputc('\n', stderr);
  }
  std::fflush(stderr);
}

}  // namespace

void LogLine(const std::string& text) noexcept { WriteLine(text.data(), text.size()); }

void LogLine(const char* text) noexcept { WriteLine(text, std::strlen(text)); }

void SetLogLineSink(LogLineSink sink) noexcept {
  installed_sink.store(sink, std::memory_order_release);
}

}  // namespace flutter
