// The one way the channel layer reports problems: a line of English text on the standard error
// stream. Callable from any thread; never throws and never allocates, so that it also serves
// where memory has run out (a destructor, a handler of std::bad_alloc).
#ifndef QUENBREL_CHANNEL_LOG_LINE_H_
#define QUENBREL_CHANNEL_LOG_LINE_H_

#include <cstddef>
#include <string>

namespace flutter {

// Writes |text|, a newline and a flush to stderr, as one write (for lines up to a few hundred
// bytes) so that lines do not interleave.
void LogLine(const std::string& text) noexcept;
void LogLine(const char* text) noexcept;

// Takes every line in place of stderr, for a program whose standard error leads to a log file it
// keeps itself: gets |text| without its line end, from any thread, and writes it whole, never
// throwing or allocating. Set before any other thread logs; null gives the lines back to stderr.
using LogLineSink = void (*)(const char* text, size_t size) noexcept;
void SetLogLineSink(LogLineSink sink) noexcept;

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_LOG_LINE_H_
