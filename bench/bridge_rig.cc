#include "bench/bridge_rig.h"

#include <thread>

#include "printer/platform/shell.h"
#include "printer/platform/thread_starter.h"
#include "printer/platform/window_poster.h"
#include "printer/printer_services.h"

namespace {

class NullMessenger : public flutter::BinaryMessenger {
 public:
  void Send(const std::string&, const uint8_t*, size_t, flutter::ReplyCallback) const override {}
  void SetMessageHandler(const std::string&, flutter::ChannelMessageHandler) override {}
};

// Counts posted messages; the window's thread takes them one at a time.
class CountingQueue : public WindowPoster {
 public:
  bool Post(WindowHandle, unsigned int) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++queued_;
    }
    posted_.notify_one();
    return true;
  }
  bool Take(std::chrono::milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!posted_.wait_for(lock, bound, [this] { return queued_ > 0; })) return false;
    --queued_;
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  int queued_ = 0;
};

class ConstantShell : public Shell {
 public:
  std::intptr_t Execute(WindowHandle, const wchar_t*, const wchar_t*) override { return 42; }
};

// One serial port and one printer; prints take |delay| and succeed.
class QuietDevices : public PrinterServices {
 public:
  std::vector<PrinterDevice> ListDevices() override {
    return {{"printer:Caisse 1", "Caisse 1 (imprimante Windows)"},
            {"serial:COM5", "COM5 (port Bluetooth / serie)"}};
  }
  void PrintToSerialPort(const std::string&, const std::vector<uint8_t>&) override { Wait(); }
  void PrintToWindowsPrinter(const std::string&, const std::vector<uint8_t>&) override { Wait(); }
  std::atomic<long> delay_ms{0};

 private:
  void Wait() { std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms.load())); }
};

}  // namespace

struct BridgeRig::Parts {
  NullMessenger messenger;
  std::shared_ptr<CountingQueue> queue = std::make_shared<CountingQueue>();
  std::shared_ptr<QuietDevices> devices = std::make_shared<QuietDevices>();
};

BridgeRig::BridgeRig() : parts_(std::make_unique<Parts>()) {
  BridgePlatform platform;
  platform.poster = parts_->queue;
  platform.shell = std::make_unique<ConstantShell>();
  platform.threads = std::make_unique<StdThreadStarter>();
  platform.devices = parts_->devices;
  bridge = std::make_unique<PrinterBridge>(&parts_->messenger, reinterpret_cast<WindowHandle>(1),
                                           std::move(platform));
}

BridgeRig::~BridgeRig() { bridge.reset(); }

void BridgeRig::Call(const flutter::MethodCall& call) {
  bridge->HandleMethodCall(call, std::make_unique<CountingResult>(&answers));
}

bool BridgeRig::Complete(std::chrono::milliseconds bound) {
  if (!parts_->queue->Take(bound)) return false;
  bridge->HandleWindowMessage(kPrinterResultMessage);
  return true;
}

void BridgeRig::SetPrintDelay(std::chrono::milliseconds delay) {
  parts_->devices->delay_ms = static_cast<long>(delay.count());
}

flutter::MethodCall PrintCall(size_t size, const std::string& device) {
  flutter::EncodableMap arguments{
      {flutter::EncodableValue("device"), flutter::EncodableValue(device)},
      {flutter::EncodableValue("bytes"),
       flutter::EncodableValue(std::vector<uint8_t>(size, 0x1B))}};
  return flutter::MethodCall("print",
                             std::make_unique<flutter::EncodableValue>(std::move(arguments)));
}

flutter::MethodCall PlainCall(const std::string& method) {
  return flutter::MethodCall(method, std::make_unique<flutter::EncodableValue>());
}
