#include "tests/bridge/bridge_fakes.h"

#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

bool FakeWindowQueue::Post(WindowHandle window, unsigned int message) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++attempts_;
  if (refuse_ != 0) {
    if (refuse_ > 0) --refuse_;
    changed_.notify_all();
    return false;
  }
  queue_.push_back(message);
  windows_.push_back(window);
  changed_.notify_all();
  return true;
}

std::optional<unsigned int> FakeWindowQueue::Take(std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!changed_.wait_for(lock, bound, [this] { return !queue_.empty(); })) return std::nullopt;
  unsigned int message = queue_.front();
  queue_.pop_front();
  return message;
}

bool FakeWindowQueue::WaitForAttempts(int count, std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, bound, [&] { return attempts_ >= count; });
}

void FakeWindowQueue::RefuseNext(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  refuse_ = count;
}

int FakeWindowQueue::attempts() {
  std::lock_guard<std::mutex> lock(mutex_);
  return attempts_;
}

size_t FakeWindowQueue::queued() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

std::vector<WindowHandle> FakeWindowQueue::windows() {
  std::lock_guard<std::mutex> lock(mutex_);
  return windows_;
}

void FakeThreadStarter::StartDetached(std::function<void()> body) {
  if (refuse) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  }
  ++started;
  std::thread(std::move(body)).detach();
}

std::vector<PrinterDevice> FakePrinterServices::ListDevices() {
  std::chrono::milliseconds delay;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    delay = delay_;
  }
  std::this_thread::sleep_for(delay);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!list_failure_.empty()) throw std::runtime_error(list_failure_);
  return devices_;
}

void FakePrinterServices::PrintToSerialPort(const std::string& id,
                                            const std::vector<uint8_t>& bytes) {
  Print(id, bytes, true);
}

void FakePrinterServices::PrintToWindowsPrinter(const std::string& id,
                                                const std::vector<uint8_t>& bytes) {
  Print(id, bytes, false);
}

void FakePrinterServices::Print(const std::string& id, const std::vector<uint8_t>& bytes,
                                bool serial) {
  std::unique_lock<std::mutex> lock(mutex_);
  ++entered_;
  changed_.notify_all();
  changed_.wait_for(lock, std::chrono::seconds(10), [this] { return !hold_; });
  if (!print_failure_.empty()) throw std::runtime_error(print_failure_);
  printed_.push_back({id, bytes, serial});
  changed_.notify_all();
}

void FakePrinterServices::SetDevices(std::vector<PrinterDevice> devices) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_ = std::move(devices);
}

void FakePrinterServices::FailListing(std::string message) {
  std::lock_guard<std::mutex> lock(mutex_);
  list_failure_ = std::move(message);
}

void FakePrinterServices::FailPrinting(std::string message) {
  std::lock_guard<std::mutex> lock(mutex_);
  print_failure_ = std::move(message);
}

void FakePrinterServices::SetDelay(std::chrono::milliseconds delay) {
  std::lock_guard<std::mutex> lock(mutex_);
  delay_ = delay;
}

void FakePrinterServices::HoldPrints(bool hold) {
  std::lock_guard<std::mutex> lock(mutex_);
  hold_ = hold;
  changed_.notify_all();
}

bool FakePrinterServices::WaitForEntered(int count, std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, bound, [&] { return entered_ >= count; });
}

std::vector<PrintRecord> FakePrinterServices::printed() {
  std::lock_guard<std::mutex> lock(mutex_);
  return printed_;
}
