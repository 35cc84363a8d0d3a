// Fails every platform call of discovery and of both transports in turn, one run per call found in
// a clean run, and checks the outcome and the clean-up: every handle opened is closed exactly once,
// a started job is ended or aborted exactly once, and nothing but clean-up follows the failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "printer/device_discovery.h"
#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"
#include "tests/printer/expected_messages.h"
#include "tests/printer/fake_dos_devices.h"
#include "tests/printer/fake_serial_port.h"
#include "tests/printer/fake_spooler.h"

namespace {

enum class Fault { kFails, kTakesNothing, kThrows };
constexpr const char* kFaultNames[] = {"returns failure", "takes nothing", "throws bad_alloc"};
enum class Hit { kPass, kFail, kTakeNothing };

// Numbers the fallible platform calls (1, 2, ...) and fails the one numbered `fail_step` (0: none).
// Also keeps the handle and job ledger that the wrappers below fill in.
class Injector {
 public:
  Injector(std::size_t fail_step, Fault fault) : fail_step_(fail_step), fault_(fault) {}

  Hit Step(const std::string& op) {
    steps.push_back(op);
    calls.push_back(op);
    if (steps.size() != fail_step_) return Hit::kPass;
    failed_at = calls.size();
    if (fault_ == Fault::kThrows) throw std::bad_alloc();
    return fault_ == Fault::kTakesNothing ? Hit::kTakeNothing : Hit::kFail;
  }
  // A write step: fails, takes nothing, or passes on to |write|.
  template <typename Write>
  bool WriteStep(std::uintptr_t handle, const std::string& op, std::uint32_t* written,
                 Write write) {
    Used(handle, op);
    switch (Step(op)) {
      case Hit::kFail:
        return false;
      case Hit::kTakeNothing:
        *written = 0;
        return true;
      case Hit::kPass:
        break;
    }
    return write();
  }
  // A call whose result is ignored (clean-up): recorded, never failed.
  void Note(const std::string& op) { calls.push_back(op); }

  void Opened(std::uintptr_t handle) { ++opened[handle]; }
  void Closed(std::uintptr_t handle) {
    if (opened[handle] == closed[handle]) misuse.push_back("close of a handle not open");
    ++closed[handle];
  }
  void Used(std::uintptr_t handle, const std::string& op) {
    if (opened[handle] == closed[handle]) misuse.push_back(op + " on a handle not open");
  }

  std::vector<std::string> steps;  // fallible calls, in order
  std::vector<std::string> calls;  // every call, clean-up included
  std::size_t failed_at = 0;       // 1-based index into `calls` of the injected failure
  std::map<std::uintptr_t, int> opened, closed;
  int jobs_started = 0, jobs_ended = 0, jobs_aborted = 0;
  std::vector<std::string> misuse;

 private:
  std::size_t fail_step_;
  Fault fault_;
};

std::uintptr_t Raw(PrinterHandle h) { return static_cast<std::uintptr_t>(h); }
std::uintptr_t Raw(SerialHandle h) { return static_cast<std::uintptr_t>(h); }

class InjectedSpooler final : public Spooler {
 public:
  InjectedSpooler(Spooler& inner, Injector& in) : inner_(inner), in_(in) {}

  bool EnumeratePrinters(unsigned char* buffer, std::uint32_t size, std::uint32_t* needed,
                         std::uint32_t* returned) override {
    return in_.Step("EnumeratePrinters") == Hit::kPass &&
           inner_.EnumeratePrinters(buffer, size, needed, returned);
  }
  std::optional<std::u16string> PrinterName(const unsigned char* buffer,
                                            std::uint32_t index) override {
    if (in_.Step("PrinterName") != Hit::kPass) return std::nullopt;
    return inner_.PrinterName(buffer, index);
  }
  bool Open(const std::u16string& name, PrinterHandle* handle) override {
    if (in_.Step("Open") != Hit::kPass || !inner_.Open(name, handle)) return false;
    in_.Opened(Raw(*handle));
    return true;
  }
  bool StartDocument(PrinterHandle handle, const PrintDocument& document) override {
    in_.Used(Raw(handle), "StartDocument");
    if (in_.Step("StartDocument") != Hit::kPass || !inner_.StartDocument(handle, document)) {
      return false;
    }
    ++in_.jobs_started;
    return true;
  }
  bool StartPage(PrinterHandle handle) override {
    in_.Used(Raw(handle), "StartPage");
    return in_.Step("StartPage") == Hit::kPass && inner_.StartPage(handle);
  }
  bool WritePrinter(PrinterHandle handle, const unsigned char* data, std::uint32_t count,
                    std::uint32_t* written) override {
    return in_.WriteStep(Raw(handle), "WritePrinter", written,
                         [&] { return inner_.WritePrinter(handle, data, count, written); });
  }
  bool EndPage(PrinterHandle handle) override {
    in_.Used(Raw(handle), "EndPage");
    return in_.Step("EndPage") == Hit::kPass && inner_.EndPage(handle);
  }
  bool EndDocument(PrinterHandle handle) override {
    in_.Used(Raw(handle), "EndDocument");
    if (in_.Step("EndDocument") != Hit::kPass || !inner_.EndDocument(handle)) return false;
    ++in_.jobs_ended;
    return true;
  }
  void AbortPrinter(PrinterHandle handle) override {
    in_.Used(Raw(handle), "AbortPrinter");
    in_.Note("AbortPrinter");
    ++in_.jobs_aborted;
    inner_.AbortPrinter(handle);
  }
  void ClosePrinter(PrinterHandle handle) override {
    in_.Note("ClosePrinter");
    in_.Closed(Raw(handle));
    inner_.ClosePrinter(handle);
  }

 private:
  Spooler& inner_;
  Injector& in_;
};

class InjectedSerialPort final : public SerialPort {
 public:
  InjectedSerialPort(SerialPort& inner, Injector& in) : inner_(inner), in_(in) {}

  bool Open(const std::u16string& path, SerialHandle* handle) override {
    if (in_.Step("Open") != Hit::kPass || !inner_.Open(path, handle)) return false;
    in_.Opened(Raw(*handle));
    return true;
  }
  bool GetCommState(SerialHandle handle, CommState* state) override {
    in_.Used(Raw(handle), "GetCommState");
    return in_.Step("GetCommState") == Hit::kPass && inner_.GetCommState(handle, state);
  }
  bool SetCommState(SerialHandle handle, const CommState& state) override {
    in_.Used(Raw(handle), "SetCommState");
    return in_.Step("SetCommState") == Hit::kPass && inner_.SetCommState(handle, state);
  }
  bool SetCommTimeouts(SerialHandle handle, const CommTimeouts& timeouts) override {
    in_.Used(Raw(handle), "SetCommTimeouts");
    return in_.Step("SetCommTimeouts") == Hit::kPass && inner_.SetCommTimeouts(handle, timeouts);
  }
  bool Write(SerialHandle handle, const unsigned char* data, std::uint32_t count,
             std::uint32_t* written) override {
    return in_.WriteStep(Raw(handle), "Write", written,
                         [&] { return inner_.Write(handle, data, count, written); });
  }
  void Close(SerialHandle handle) override {
    in_.Note("Close");
    in_.Closed(Raw(handle));
    inner_.Close(handle);
  }

 private:
  SerialPort& inner_;
  Injector& in_;
};

class InjectedDosDevices final : public DosDevices {
 public:
  InjectedDosDevices(DosDevices& inner, Injector& in) : inner_(inner), in_(in) {}
  std::uint32_t QueryDeviceNames(char16_t* buffer, std::uint32_t capacity) override {
    if (in_.Step("QueryDeviceNames") != Hit::kPass) return 0;
    return inner_.QueryDeviceNames(buffer, capacity);
  }

 private:
  DosDevices& inner_;
  Injector& in_;
};

std::vector<std::uint8_t> Ticket() { return std::vector<std::uint8_t>(2500, 0x1B); }

// Each operation under test: fresh fakes for every run; the outcome as text ("" for success,
// "bad_alloc" for an allocation failure that escaped, the ids found for discovery).
std::string RunSpooler(Injector& in) {
  FakeSpooler fake;
  fake.takes = {1000};  // two writes: 1000, then the 1500 left
  InjectedSpooler spooler(fake, in);
  PrintToWindowsPrinter(spooler, "printer:Caisse 1", Ticket());
  return "";
}

std::string RunSerial(Injector& in) {
  FakeSerialPort fake;
  fake.takes = {300};  // four writes: 300, 1024, 1024, 152
  InjectedSerialPort port(fake, in);
  PrintToSerialPort(port, "serial:COM5", Ticket());
  return "";
}

std::string RunDiscovery(Injector& in) {
  FakeSpooler fake_spooler;
  fake_spooler.printers = {u"A", u"B", u"C"};
  fake_spooler.needed = 1000;
  FakeDosDevices fake_dos;
  fake_dos.names = {u"COM3", u"LPT1", u"COM7"};
  InjectedSpooler spooler(fake_spooler, in);
  InjectedDosDevices dos(fake_dos, in);
  std::string ids;
  for (const PrinterDevice& d : ListDevices(spooler, dos)) ids += d.id + "|";
  return ids;
}

std::string Outcome(const std::function<std::string(Injector&)>& run, Injector& in) {
  try {
    return run(in);
  } catch (const std::runtime_error& e) {
    return e.what();
  } catch (const std::bad_alloc&) {
    return "bad_alloc";
  }
}

// What discovery finds when step `step` (of kind `op`) fails: the source it belongs to
// contributes nothing, or, for a printer's name, that one printer is left out.
std::string DiscoveryExpected(const Injector& clean, std::size_t step) {
  const std::string& op = clean.steps[step - 1];
  if (op == "EnumeratePrinters") return "serial:COM3|serial:COM7|";
  if (op == "QueryDeviceNames") return "printer:A|printer:B|printer:C|";
  const std::size_t names_before =
      std::count(clean.steps.begin(), clean.steps.begin() + (step - 1), "PrinterName");
  std::string ids;
  for (std::size_t i = 0; i < 3; ++i) {
    if (i != names_before) ids += std::string("printer:") + char('A' + i) + "|";
  }
  return ids + "serial:COM3|serial:COM7|";
}

// Every handle opened was closed exactly once and used only while open; a started job was ended or
// aborted exactly once.
void ExpectCleanedUp(Injector& in) {
  for (const auto& [handle, count] : in.opened) {
    EXPECT_EQ(count, 1) << "handle " << handle << " opened";
    EXPECT_EQ(in.closed[handle], 1) << "handle " << handle << " closed";
  }
  EXPECT_EQ(in.misuse, std::vector<std::string>{});
  EXPECT_LE(in.jobs_started, 1);
  EXPECT_EQ(in.jobs_ended + in.jobs_aborted, in.jobs_started);
}

struct Scenario {
  const char* name;
  std::function<std::string(Injector&)> run;
  std::map<std::string, std::string> message;  // by failing operation; empty for discovery
  std::size_t min_steps;                       // a floor, so a broken clean run cannot pass
};

TEST(FaultInjection, EveryPlatformCallFailsInTurn) {
  const std::set<std::string> kCleanUp = {"Close", "ClosePrinter", "AbortPrinter"};
  const Scenario scenarios[] = {
      {"spooler",
       RunSpooler,
       {{"Open", kExpectPrinterUnavailable},
        {"StartDocument", kExpectJobNotCreated},
        {"StartPage", kExpectPageNotStarted},
        {"WritePrinter", kExpectPrinterInterrupted},
        {"EndPage", kExpectJobNotConfirmed},
        {"EndDocument", kExpectJobNotConfirmed}},
       7},
      {"serial",
       RunSerial,
       {{"Open", kExpectPortUnavailable},
        {"GetCommState", kExpectPortUnreadable},
        {"SetCommState", kExpectPortNotConfigured},
        {"SetCommTimeouts", kExpectPortNotConfigured},
        {"Write", kExpectPortInterrupted}},
       8},
      {"discovery", RunDiscovery, {}, 6},
  };
  for (const Scenario& s : scenarios) {
    Injector clean(0, Fault::kFails);
    const std::string clean_outcome = Outcome(s.run, clean);
    ASSERT_GE(clean.steps.size(), s.min_steps) << s.name;
    const bool discovery = s.message.empty();
    if (!discovery) {
      EXPECT_EQ(clean_outcome, "") << s.name;
    }
    ExpectCleanedUp(clean);

    for (std::size_t step = 1; step <= clean.steps.size(); ++step) {
      const std::string& op = clean.steps[step - 1];
      const bool writes = op == "Write" || op == "WritePrinter";
      for (Fault fault : {Fault::kFails, Fault::kTakesNothing, Fault::kThrows}) {
        if (fault == Fault::kTakesNothing && !writes) continue;
        SCOPED_TRACE(std::string(s.name) + ": step " + std::to_string(step) + " (" + op + ") " +
                     kFaultNames[static_cast<int>(fault)]);
        Injector in(step, fault);
        const std::string outcome = Outcome(s.run, in);

        if (fault == Fault::kThrows) {
          EXPECT_EQ(outcome, "bad_alloc");
        } else if (discovery) {
          EXPECT_EQ(outcome, DiscoveryExpected(clean, step));
        } else {
          EXPECT_EQ(outcome, s.message.at(op));
        }
        // The first failure ends the operation, except in discovery, where the other source is
        // still asked; elsewhere only clean-up follows.
        ASSERT_GT(in.failed_at, 0u);
        if (!discovery || fault == Fault::kThrows) {
          for (std::size_t i = in.failed_at; i < in.calls.size(); ++i) {
            EXPECT_TRUE(kCleanUp.count(in.calls[i])) << "after the failure: " << in.calls[i];
          }
        }
        ExpectCleanedUp(in);
      }
    }
  }
}

}  // namespace
