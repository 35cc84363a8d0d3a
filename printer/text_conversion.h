// The printer bridge's conversions between UTF-8 (all its own text) and UTF-16 (the Windows calls).
// Pure functions, portable, safe on any thread. A NUL inside a string is carried like any other
// unit.
#ifndef QUENBREL_PRINTER_TEXT_CONVERSION_H_
#define QUENBREL_PRINTER_TEXT_CONVERSION_H_

#include <string>
#include <string_view>

// Lenient: never fails. An unpaired surrogate becomes U+FFFD, as Windows does.
std::string Utf16ToUtf8(std::u16string_view text);

// Strict: throws PrinterError(PrinterFailure::kInvalidName) when `text` is empty or is not
// well-formed UTF-8 (overlong forms, encoded surrogates, values above U+10FFFF and truncated
// sequences included).
std::u16string Utf8ToUtf16(std::string_view text);

#endif  // QUENBREL_PRINTER_TEXT_CONVERSION_H_
