// One decoded method call: the method name and its arguments, both owned.
// Plain data; used by one thread at a time.
#ifndef QUENBREL_CHANNEL_METHOD_CALL_H_
#define QUENBREL_CHANNEL_METHOD_CALL_H_

#include <memory>
#include <string>
#include <utility>

#include "channel/encodable_value.h"

namespace flutter {

class MethodCall {
 public:
  // |arguments| may be null only for a call built without arguments; a decoded call has them.
  MethodCall(const std::string& method_name, std::unique_ptr<EncodableValue> arguments)
      : method_name_(method_name), arguments_(std::move(arguments)) {}
  virtual ~MethodCall() = default;

  MethodCall(const MethodCall&) = delete;
  MethodCall& operator=(const MethodCall&) = delete;

  const std::string& method_name() const { return method_name_; }
  // The arguments, or null when the call has none.
  const EncodableValue* arguments() const { return arguments_.get(); }

 private:
  std::string method_name_;
  std::unique_ptr<EncodableValue> arguments_;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_METHOD_CALL_H_
