// The reply still owed to one incoming message: a ReplyCallback that is called at most once.
//
// Owned by the method result of that message; one thread at a time. Never throws: a second Send
// logs and sends nothing; destruction before any Send logs the leak warning and sends nothing.
#ifndef QUENBREL_CHANNEL_PENDING_REPLY_H_
#define QUENBREL_CHANNEL_PENDING_REPLY_H_

#include <cstdint>
#include <vector>

#include "channel/binary_messenger.h"

namespace flutter {

class PendingReply {
 public:
  explicit PendingReply(ReplyCallback reply);
  ~PendingReply();

  PendingReply(const PendingReply&) = delete;
  PendingReply& operator=(const PendingReply&) = delete;

  // Delivers |reply| (null: the empty reply) and releases the callable; only the first call sends.
  void Send(const std::vector<uint8_t>* reply);

 private:
  ReplyCallback reply_;  // Empty once answered.
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_PENDING_REPLY_H_
