// The one way the channel layer reports problems: a line of English text on the standard error
// stream. Callable from any thread; never throws.
#ifndef QUENBREL_CHANNEL_LOG_LINE_H_
#define QUENBREL_CHANNEL_LOG_LINE_H_

#include <string>

namespace flutter {

// Writes |text|, a newline and a flush to stderr, as one write so that lines do not interleave.
void LogLine(const std::string& text);

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_LOG_LINE_H_
