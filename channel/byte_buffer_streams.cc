#include "channel/byte_buffer_streams.h"

#include "channel/log_line.h"

namespace flutter {

const char kShortReadMessage[] = "Invalid read in StandardCodecByteStreamReader";

void LogShortRead(DecodeBudget& budget) {
  const size_t count = ++budget.short_reads;
  if (count <= kLoggedShortReads) {
    LogLine(kShortReadMessage);
  } else if (count == kLoggedShortReads + 1) {
    LogLine("Further invalid reads of this message are not logged.");
  }
}

}  // namespace flutter
