// The answer object of one method call: exactly one of Success, Error or NotImplemented, once.
//
// Held through a std::unique_ptr by whoever must answer; used by one thread at a time. Answering
// twice or never is the implementation's to report; it never throws.
#ifndef QUENBREL_CHANNEL_METHOD_RESULT_H_
#define QUENBREL_CHANNEL_METHOD_RESULT_H_

#include <string>

#include "channel/encodable_value.h"

namespace flutter {

class MethodResult {
 public:
  virtual ~MethodResult() = default;

  // Answers with |result|, or with null when |result| is null.
  virtual void Success(const EncodableValue* result) = 0;

  // Answers with an error; an empty |error_message| travels as null, as do absent |error_details|.
  virtual void Error(const std::string& error_code, const std::string& error_message,
                     const EncodableValue* error_details) = 0;

  // Answers with the empty reply.
  virtual void NotImplemented() = 0;

  // Conveniences over the operations above.
  void Success() { Success(nullptr); }
  void Success(const EncodableValue& result) { Success(&result); }
  void Error(const std::string& error_code, const std::string& error_message = std::string()) {
    Error(error_code, error_message, nullptr);
  }
  void Error(const std::string& error_code, const std::string& error_message,
             const EncodableValue& error_details) {
    Error(error_code, error_message, &error_details);
  }
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_METHOD_RESULT_H_
