// A printer bridge with lean stand-ins underneath (no recording, so they allocate nothing per
// operation), driven directly on the calling thread, which plays the window's thread.
#ifndef QUENBREL_BENCH_BRIDGE_RIG_H_
#define QUENBREL_BENCH_BRIDGE_RIG_H_

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "channel/binary_messenger.h"
#include "channel/encodable_value.h"
#include "channel/method_call.h"
#include "channel/method_result.h"
#include "printer/printer_bridge.h"

// Counts the answers a call gets.
class CountingResult : public flutter::MethodResult {
 public:
  explicit CountingResult(std::atomic<long>* answers) : answers_(answers) {}
  void Success(const flutter::EncodableValue*) override { ++*answers_; }
  void Error(const std::string&, const std::string&, const flutter::EncodableValue*) override {
    ++*answers_;
  }
  void NotImplemented() override { ++*answers_; }

 private:
  std::atomic<long>* answers_;
};

class BridgeRig {
 public:
  BridgeRig();
  ~BridgeRig();

  // Hands |call| to the bridge with a counting result.
  void Call(const flutter::MethodCall& call);
  // Waits at most |bound| for the completion message and hands it to the bridge.
  bool Complete(std::chrono::milliseconds bound = std::chrono::seconds(10));
  // How long each print spends in the transport.
  void SetPrintDelay(std::chrono::milliseconds delay);

  std::atomic<long> answers{0};
  std::unique_ptr<PrinterBridge> bridge;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

// A "print" call for "serial:COM5" with |size| bytes.
flutter::MethodCall PrintCall(size_t size, const std::string& device = "serial:COM5");
flutter::MethodCall PlainCall(const std::string& method);

#endif  // QUENBREL_BENCH_BRIDGE_RIG_H_
