// A strict stand-in for the three platform services of the printer device side, for tests: the
// spooler, serial ports and the DOS device list. It logs every call in order ("Open(COM5)",
// "WritePrinter(2500)", ...), numbers the calls that can fail and fails the one the test names,
// lets each write take the next of |takes| bytes (all when none is left; a take may even claim
// more than was offered), keeps the bytes it took, and answers each read with the next of
// |answers|. It holds its caller to the platform's
// contract for the one handle and job a call may open: a handle used before it is open or after it
// is closed, a second handle, a job aborted or ended twice or never, or a handle still open when
// the stand-in goes, is a breach: one line on standard error, and the process ends (code 86).
#ifndef QUENBREL_STANDINS_PRINTER_FAKE_PLATFORM_H_
#define QUENBREL_STANDINS_PRINTER_FAKE_PLATFORM_H_

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "printer/platform/dos_devices.h"
#include "printer/platform/serial_port.h"
#include "printer/platform/spooler.h"
#include "printer/text_conversion.h"

class FakePlatform : public Spooler, public SerialPort, public DosDevices {
 public:
  enum Fault { kFails, kTakesNothing, kThrows };

  // Enumeration: the printers, the size the first query reports, and how much it grows by the
  // second; the DOS names.
  std::vector<std::optional<std::u16string>> printers;
  std::uint32_t needed = 0, grows_by = 0;
  std::vector<std::uint32_t> enum_sizes;  // the size passed to each EnumeratePrinters
  std::vector<std::u16string> dos_names;
  bool buffers_zeroed = true;  // every buffer handed in was zero-filled
  std::uint32_t dos_capacity = 0;

  CommState port_state, state_given_to_get, state_set;
  CommTimeouts timeouts_set;
  std::deque<std::uint32_t> takes;
  std::deque<int> answers;    // what each Read finds: a byte, or -1 (or none left) for silence
  std::size_t fail_step = 0;  // the 1-based fallible call to fail; 0: none
  Fault fault = kFails;
  std::vector<std::string> calls, steps;  // every call; the fallible ones
  std::size_t failed_at = 0;              // the failed call's index in |calls|, plus one
  std::vector<unsigned char> received;

  FakePlatform() = default;
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;
  ~FakePlatform() {
    if (open_) Breach("a handle never closed");
    if (job_) Breach("a job neither ended nor aborted");
  }

  bool EnumeratePrinters(unsigned char* buffer, std::uint32_t size, std::uint32_t* needed_out,
                         std::uint32_t* returned) override {
    *returned = static_cast<std::uint32_t>(printers.size());  // even on failure: not to be trusted
    if (!Step("EnumeratePrinters")) return false;
    enum_sizes.push_back(size);
    *needed_out = enum_sizes.size() == 1 ? needed : needed + grows_by;
    if (buffer == nullptr || size < *needed_out) return false;
    Zeroed(buffer, buffer + size);
    return true;
  }
  std::optional<std::u16string> PrinterName(const unsigned char*, std::uint32_t index) override {
    return Step("PrinterName") ? printers.at(index) : std::nullopt;
  }
  std::uint32_t QueryDeviceNames(char16_t* buffer, std::uint32_t capacity) override {
    if (!Step("QueryDeviceNames")) return 0;
    dos_capacity = capacity;
    Zeroed(buffer, buffer + capacity);
    std::u16string list;
    for (const auto& name : dos_names) list += name + u'\0';
    list += u'\0';
    if (list.size() > capacity) return 0;
    std::copy(list.begin(), list.end(), buffer);
    return static_cast<std::uint32_t>(list.size());
  }

  bool Open(const std::u16string& name, PrinterHandle* handle) override {
    *handle = PrinterHandle{42};
    return Open(name);
  }
  bool StartDocument(PrinterHandle handle, const PrintDocument& document) override {
    if (job_) Breach("a second job started");
    job_ = Use(handle, "StartDocument(" + Utf16ToUtf8(document.name) + ", " +
                           Utf16ToUtf8(document.datatype) + ")");
    return job_;
  }
  bool StartPage(PrinterHandle handle) override { return Use(handle, "StartPage"); }
  bool WritePrinter(PrinterHandle handle, const unsigned char* data, std::uint32_t count,
                    std::uint32_t* written) override {
    return Write(Key(handle), "WritePrinter", data, count, written);
  }
  bool EndPage(PrinterHandle handle) override { return Use(handle, "EndPage"); }
  bool EndDocument(PrinterHandle handle) override {
    if (!job_) Breach("EndDocument without a job");
    job_ = !Use(handle, "EndDocument");
    return !job_;
  }
  void AbortPrinter(PrinterHandle handle) override {
    if (!job_) Breach("AbortPrinter without a job");
    CleanUp(Key(handle), "AbortPrinter");
    job_ = false;
  }
  void ClosePrinter(PrinterHandle handle) override { Close(Key(handle), "ClosePrinter"); }

  bool Open(const std::u16string& path, SerialHandle* handle) override {
    *handle = SerialHandle{42};
    return Open(path);
  }
  bool GetCommState(SerialHandle handle, CommState* state) override {
    state_given_to_get = *state;
    if (!Use(handle, "GetCommState")) return false;
    *state = port_state;
    return true;
  }
  bool SetCommState(SerialHandle handle, const CommState& state) override {
    state_set = state;
    return Use(handle, "SetCommState");
  }
  bool SetCommTimeouts(SerialHandle handle, const CommTimeouts& timeouts) override {
    timeouts_set = timeouts;
    return Use(handle, "SetCommTimeouts");
  }
  bool Write(SerialHandle handle, const unsigned char* data, std::uint32_t count,
             std::uint32_t* written) override {
    return Write(Key(handle), "Write", data, count, written);
  }
  bool Read(SerialHandle handle, unsigned char* data, std::uint32_t count, std::uint32_t timeout_ms,
            std::uint32_t* read) override {
    *read = 0;
    if (count == 0 || !Use(handle, "Read(" + std::to_string(timeout_ms) + ")")) return false;
    const int answer = answers.empty() ? -1 : answers.front();
    if (!answers.empty()) answers.pop_front();
    if (answer >= 0) *data = static_cast<unsigned char>(answer);
    *read = answer >= 0 ? 1 : 0;
    return true;
  }
  void Close(SerialHandle handle) override { Close(Key(handle), "Close"); }

 private:
  [[noreturn]] static void Breach(const std::string& what) {
    std::fprintf(stderr, "[fake platform] contract breach: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
  }
  template <typename Handle>
  static std::uintptr_t Key(Handle handle) {
    return static_cast<std::uintptr_t>(handle);
  }
  template <typename It>
  void Zeroed(It begin, It end) {
    buffers_zeroed = buffers_zeroed && std::all_of(begin, end, [](auto unit) { return unit == 0; });
  }
  // Logs a fallible call; false (or a throw) when it is the one to fail.
  bool Step(const std::string& call) {
    calls.push_back(call);
    steps.push_back(call);
    if (steps.size() != fail_step) return true;
    failed_at = calls.size();
    if (fault == kThrows) throw std::bad_alloc();
    return false;
  }
  bool Open(const std::u16string& name) {
    if (open_) Breach("a second handle opened");
    open_ = Step("Open(" + Utf16ToUtf8(name) + ")");
    return open_;
  }
  void Check(std::uintptr_t key, const std::string& call) {
    if (key != 42 || !open_) Breach(call + " on a handle not open");
  }
  template <typename Handle>
  bool Use(Handle handle, const std::string& call) {
    Check(Key(handle), call);
    return Step(call);
  }
  void CleanUp(std::uintptr_t key, const std::string& call) {
    Check(key, call);
    calls.push_back(call);
  }
  void Close(std::uintptr_t key, const std::string& call) {
    CleanUp(key, call);
    if (job_) Breach("a handle closed with its job still open");
    open_ = false;
  }
  bool Write(std::uintptr_t key, const std::string& call, const unsigned char* data,
             std::uint32_t count, std::uint32_t* written) {
    Check(key, call);
    *written = 0;
    if (!Step(call + "(" + std::to_string(count) + ")")) return fault == kTakesNothing;
    const std::uint32_t take = takes.empty() ? count : takes.front();
    if (!takes.empty()) takes.pop_front();
    *written = take;  // may claim more than offered: the caller must not believe it
    received.insert(received.end(), data, data + std::min(take, count));
    return true;
  }

  bool open_ = false, job_ = false;
};

#endif  // QUENBREL_STANDINS_PRINTER_FAKE_PLATFORM_H_
