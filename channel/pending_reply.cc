#include "channel/pending_reply.h"

#include <utility>

#include "channel/log_line.h"

namespace flutter {

PendingReply::PendingReply(ReplyCallback reply) : reply_(std::move(reply)) {}

PendingReply::~PendingReply() {
  if (reply_) {
    LogLine("Warning: Failed to respond to a message. This is a memory leak.");
  }
}

void PendingReply::Send(const std::vector<uint8_t>* reply) {
  if (!reply_) {
    LogLine(
        "Error: Only one of Success, Error, or NotImplemented can be called,"
        " and it can be called exactly once. Ignoring duplicate result.");
    return;
  }
  const uint8_t* bytes = (reply != nullptr && !reply->empty()) ? reply->data() : nullptr;
  size_t size = reply != nullptr ? reply->size() : 0;
  // Emptied before the call so that a reply re-entering this object counts as answered.
  ReplyCallback deliver = std::move(reply_);
  reply_ = nullptr;
  deliver(bytes, size);
}

}  // namespace flutter
