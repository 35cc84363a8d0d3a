// A recording, fault-injecting Spooler: logs every call in order, fails the operation named in
// `fail_at`, takes at most the next entry of `takes` per WritePrinter call (everything when empty),
// and keeps the bytes it took. A fault hook, when set, is asked first.
#ifndef QUENBREL_TESTS_PRINTER_FAKE_SPOOLER_H_
#define QUENBREL_TESTS_PRINTER_FAKE_SPOOLER_H_

#include <algorithm>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "printer/platform/spooler.h"
#include "printer/text_conversion.h"
#include "tests/printer/fault_hook.h"

class FakeSpooler final : public Spooler {
 public:
  // Enumeration: the printers, the size the query reports, and how much that size grows by the
  // second call.
  std::vector<std::optional<std::u16string>> printers;
  std::uint32_t needed = 0;
  std::uint32_t grows_by = 0;
  std::vector<std::uint32_t> enum_sizes;  // the size passed to each EnumeratePrinters call
  bool buffer_was_zeroed = false;

  std::string fail_at;
  std::deque<std::uint32_t> takes;
  std::vector<std::string> calls;
  std::vector<unsigned char> received;
  FaultHook* hook = nullptr;

  bool EnumeratePrinters(unsigned char* buffer, std::uint32_t size, std::uint32_t* needed_out,
                         std::uint32_t* returned) override {
    if (FaultHook::Ask(hook, "EnumeratePrinters") != FaultHook::kPass) return false;
    enum_sizes.push_back(size);
    const std::uint32_t now = enum_sizes.size() == 1 ? needed : needed + grows_by;
    *needed_out = now;
    if (buffer == nullptr || size < now) return false;
    buffer_was_zeroed = std::all_of(buffer, buffer + size, [](unsigned char b) { return b == 0; });
    if (fail_at == "EnumeratePrinters") return false;
    *returned = static_cast<std::uint32_t>(printers.size());
    return true;
  }
  std::optional<std::u16string> PrinterName(const unsigned char*, std::uint32_t index) override {
    if (FaultHook::Ask(hook, "PrinterName") != FaultHook::kPass) return std::nullopt;
    return printers.at(index);
  }

  bool Open(const std::u16string& name, PrinterHandle* handle) override {
    if (FaultHook::Ask(hook, "Open") != FaultHook::kPass) return false;
    *handle = PrinterHandle{42};
    return Record("Open(" + Utf16ToUtf8(name) + ")");
  }
  bool StartDocument(PrinterHandle handle, const PrintDocument& document) override {
    if (FaultHook::Ask(hook, "StartDocument") != FaultHook::kPass) return false;
    return Record(
        "StartDocument(" + Utf16ToUtf8(document.name) + ", " + Utf16ToUtf8(document.datatype) + ")",
        handle);
  }
  bool StartPage(PrinterHandle handle) override {
    return FaultHook::Ask(hook, "StartPage") == FaultHook::kPass && Record("StartPage", handle);
  }
  bool WritePrinter(PrinterHandle handle, const unsigned char* data, std::uint32_t count,
                    std::uint32_t* written) override {
    if (FaultHook::Hit hit = FaultHook::Ask(hook, "WritePrinter"); hit != FaultHook::kPass) {
      if (hit == FaultHook::kTakeNothing) *written = 0;
      return hit == FaultHook::kTakeNothing;
    }
    const std::uint32_t take = takes.empty() ? count : std::min(count, takes.front());
    if (!takes.empty()) takes.pop_front();
    *written = take;
    received.insert(received.end(), data, data + take);
    return Record("WritePrinter(" + std::to_string(count) + ")", handle);
  }
  bool EndPage(PrinterHandle handle) override {
    return FaultHook::Ask(hook, "EndPage") == FaultHook::kPass && Record("EndPage", handle);
  }
  bool EndDocument(PrinterHandle handle) override {
    return FaultHook::Ask(hook, "EndDocument") == FaultHook::kPass && Record("EndDocument", handle);
  }
  void AbortPrinter(PrinterHandle handle) override {
    FaultHook::Tell(hook, "AbortPrinter");
    Record("AbortPrinter", handle);
  }
  void ClosePrinter(PrinterHandle handle) override {
    FaultHook::Tell(hook, "ClosePrinter");
    Record("ClosePrinter", handle);
  }

 private:
  bool Record(const std::string& call, PrinterHandle handle = PrinterHandle{42}) {
    calls.push_back(handle == PrinterHandle{42} ? call : call + " on a wrong handle");
    return fail_at.empty() || call.compare(0, fail_at.size(), fail_at) != 0;
  }
};

#endif  // QUENBREL_TESTS_PRINTER_FAKE_SPOOLER_H_
