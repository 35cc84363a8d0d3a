#include "standins/engine/test_knobs_win32.h"

#include <windows.h>

#include <cwchar>

namespace standin {

namespace {

constexpr unsigned kStandardDpi = 96;

std::wstring Variable(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD n = GetEnvironmentVariableW(name, value, 1024);
  return n > 0 && n < 1024 ? std::wstring(value, n) : std::wstring();
}

// A whole number in [1, limit] (decimal, or hex after 0x), or 0.
unsigned long long Number(const std::wstring& text, unsigned long long limit) {
  if (text.empty() || text.size() > 18) return 0;
  wchar_t* end = nullptr;
  const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
  return *end == L'\0' && text[0] != L'-' && value <= limit ? value : 0;
}

}  // namespace

bool KnobRefuseView() { return Variable(L"QUENBREL_TEST_ENGINE_REFUSE_VIEW") == L"1"; }

std::vector<unsigned> KnobDpis() {
  std::vector<unsigned> dpis;
  std::wstring text = Variable(L"QUENBREL_TEST_ENGINE_DPI") + L",";
  for (size_t comma; (comma = text.find(L',')) != std::wstring::npos; text.erase(0, comma + 1)) {
    if (const unsigned long long dpi = Number(text.substr(0, comma), 960)) {
      dpis.push_back(static_cast<unsigned>(dpi));
    }
  }
  if (dpis.empty()) dpis.push_back(kStandardDpi);
  return dpis;
}

std::optional<uint16_t> KnobDriverPort() {
  const unsigned long long port = Number(Variable(L"QUENBREL_TEST_ENGINE_PORT"), 65535);
  if (port == 0) return std::nullopt;
  return static_cast<uint16_t>(port);
}

std::wstring KnobHoldFramesFile() { return Variable(L"QUENBREL_TEST_ENGINE_HOLD_FRAMES"); }

bool KnobEarlyFrame() { return Variable(L"QUENBREL_TEST_ENGINE_EARLY_FRAME") == L"1"; }

std::optional<std::pair<unsigned, long long>> KnobConsume() {
  const std::wstring text = Variable(L"QUENBREL_TEST_ENGINE_CONSUME");
  const size_t colon = text.find(L':');
  if (colon == std::wstring::npos) return std::nullopt;
  const unsigned long long message = Number(text.substr(0, colon), 0xFFFF);
  const std::wstring result = text.substr(colon + 1);
  wchar_t* end = nullptr;
  const long long value = std::wcstoll(result.c_str(), &end, 0);
  if (message == 0 || result.empty() || *end != L'\0') return std::nullopt;
  return std::make_pair(static_cast<unsigned>(message), value);
}

void FaultIfAsked() {
  if (Variable(L"QUENBREL_TEST_ENGINE_FAULT") != L"1") return;
  volatile int* volatile nowhere = nullptr;  // volatile both: the write is never optimised away
  *nowhere = 1;
}

}  // namespace standin
