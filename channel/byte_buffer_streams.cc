#include "channel/byte_buffer_streams.h"

#include "channel/log_line.h"

namespace flutter {

const char kShortReadMessage[] = "Invalid read in StandardCodecByteStreamReader";

void LogShortRead() { LogLine(kShortReadMessage); }

}  // namespace flutter
