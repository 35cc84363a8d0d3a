#include "standins/engine/test_knobs_win32.h"

#include <windows.h>

namespace standin {

namespace {

constexpr unsigned kStandardDpi = 96;

std::wstring Variable(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD n = GetEnvironmentVariableW(name, value, 1024);
  return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

// A decimal number in [1, limit], or 0.
unsigned long Number(const wchar_t* name, unsigned long limit) {
  const std::wstring text = Variable(name);
  if (text.empty() || text.size() > 6) return 0;
  unsigned long value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return 0;
    value = value * 10 + static_cast<unsigned long>(c - L'0');
  }
  return value <= limit ? value : 0;
}

}  // namespace

bool KnobRefuseView() { return Variable(L"QUENBREL_TEST_ENGINE_REFUSE_VIEW") == L"1"; }

unsigned KnobDpi() {
  const unsigned long dpi = Number(L"QUENBREL_TEST_ENGINE_DPI", 960);
  return dpi > 0 ? static_cast<unsigned>(dpi) : kStandardDpi;
}

std::optional<uint16_t> KnobDriverPort() {
  const unsigned long port = Number(L"QUENBREL_TEST_ENGINE_PORT", 65535);
  if (port == 0) return std::nullopt;
  return static_cast<uint16_t>(port);
}

std::wstring KnobHoldFramesFile() { return Variable(L"QUENBREL_TEST_ENGINE_HOLD_FRAMES"); }

}  // namespace standin
