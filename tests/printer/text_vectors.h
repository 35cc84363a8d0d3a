// Conversion vectors shared by the portable test and the comparison with the Windows converters.
#ifndef QUENBREL_TESTS_PRINTER_TEXT_VECTORS_H_
#define QUENBREL_TESTS_PRINTER_TEXT_VECTORS_H_

#include <string>

struct WellFormedVector {
  const char* row;
  std::u16string utf16;
  std::string utf8;
};

// Well-formed text: both directions give each other.
inline const WellFormedVector kWellFormed[] = {
    {"ascii", u"Caisse 1", "Caisse 1"},
    {"e acute (2 bytes)", u"\u00E9", "\xC3\xA9"},
    {"euro (3 bytes)", u"\u20AC", "\xE2\x82\xAC"},
    {"accented name", u"Caisse \u00E9t\u00E9 \u20AC", "Caisse \xC3\xA9t\xC3\xA9 \xE2\x82\xAC"},
    {"U+007F and U+0080", u"\u007F\u0080", "\x7F\xC2\x80"},
    {"U+07FF and U+0800", u"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"},
    {"U+D7FF and U+E000", u"\uD7FF\uE000", "\xED\x9F\xBF\xEE\x80\x80"},
    {"U+FFFF", u"\uFFFF", "\xEF\xBF\xBF"},
    {"U+10000 (surrogate pair)", u"\U00010000", "\xF0\x90\x80\x80"},
    {"U+10FFFF", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
    {"embedded NUL", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
};

struct LenientVector {
  const char* row;
  std::u16string utf16;
  std::string utf8;
};

// Ill-formed UTF-16 still converts; an unpaired surrogate becomes U+FFFD (EF BF BD).
inline const LenientVector kUnpairedSurrogates[] = {
    {"lone high at end", u"A\xD800", "A\xEF\xBF\xBD"},
    {"lone low", u"\xDC00Z", "\xEF\xBF\xBDZ"},
    {"high then non-low", u"\xD83D\x0041", "\xEF\xBF\xBD\x41"},
    {"two highs then low", u"\xD800\xD800\xDC00", "\xEF\xBF\xBD\xF0\x90\x80\x80"},
};

// Byte strings Utf8ToUtf16 refuses.
struct IllFormedVector {
  const char* row;
  std::string utf8;
};

inline const IllFormedVector kIllFormed[] = {
    {"empty", ""},
    {"lone continuation byte", "COM\x80"},
    {"truncated 2-byte sequence", "Caisse \xC3"},
    {"truncated 3-byte sequence", "\xE2\x82"},
    {"truncated 4-byte sequence", "\xF0\x90\x80"},
    {"overlong slash C0 AF", "\xC0\xAF"},
    {"overlong C1", "\xC1\xBF"},
    {"overlong 3-byte", "\xE0\x80\xAF"},
    {"overlong 4-byte", "\xF0\x80\x80\xAF"},
    {"encoded high surrogate", "\xED\xA0\x80"},
    {"encoded low surrogate", "\xED\xBF\xBF"},
    {"above U+10FFFF", "\xF4\x90\x80\x80"},
    {"F5 lead", "\xF5\x80\x80\x80"},
    {"FF byte", "a\xFF"},
    {"lead followed by ASCII",
     "\xC3"
     "A"},
};

#endif  // QUENBREL_TESTS_PRINTER_TEXT_VECTORS_H_
