#include "printer/text_conversion.h"

#include <cstdint>

#include "printer/printer_error.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(char32_t code_point, std::string* out) {
  auto byte = [out](char32_t value) { out->push_back(static_cast<char>(value)); };
  if (code_point < 0x80) {
    byte(code_point);
  } else if (code_point < 0x800) {
    byte(0xC0 | (code_point >> 6));
    byte(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    byte(0xE0 | (code_point >> 12));
    byte(0x80 | ((code_point >> 6) & 0x3F));
    byte(0x80 | (code_point & 0x3F));
  } else {
    byte(0xF0 | (code_point >> 18));
    byte(0x80 | ((code_point >> 12) & 0x3F));
    byte(0x80 | ((code_point >> 6) & 0x3F));
    byte(0x80 | (code_point & 0x3F));
  }
}

[[noreturn]] void FailInvalidName() { throw PrinterError(PrinterFailure::kInvalidName); }

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      char32_t low = text[++i];
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), &out);
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(kReplacement, &out);
    } else {
      AppendUtf8(unit, &out);
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  if (text.empty()) FailInvalidName();
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::uint8_t lead = static_cast<std::uint8_t>(text[i]);
    // Well-formed sequences: the length, the lead's payload, and the range allowed for the second
    // byte (which rules out overlong forms, surrogates and values above U+10FFFF).
    std::size_t length = 0;
    char32_t code_point = 0;
    std::uint8_t second_min = 0x80, second_max = 0xBF;
    if (lead < 0x80) {
      length = 1;
      code_point = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code_point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code_point = lead & 0x0F;
      if (lead == 0xE0) second_min = 0xA0;
      if (lead == 0xED) second_max = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code_point = lead & 0x07;
      if (lead == 0xF0) second_min = 0x90;
      if (lead == 0xF4) second_max = 0x8F;
    } else {
      FailInvalidName();
    }
    if (text.size() - i < length) FailInvalidName();
    for (std::size_t k = 1; k < length; ++k) {
      const std::uint8_t next = static_cast<std::uint8_t>(text[i + k]);
      const bool second = k == 1;
      if (next < (second ? second_min : 0x80) || next > (second ? second_max : 0xBF)) {
        FailInvalidName();
      }
      code_point = (code_point << 6) | (next & 0x3F);
    }
    if (code_point < 0x10000) {
      out.push_back(static_cast<char16_t>(code_point));
    } else {
      code_point -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
    }
    i += length;
  }
  return out;
}
