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

// Numbers the fallible calls of the fakes (1, 2, ...) and fails the one numbered `fail_step`
// (0: none). Also keeps the ledger of the one handle a run may open and of its print job.
class Injector : public FaultHook {
 public:
  Injector(std::size_t fail_step, Fault fault) : fail_step_(fail_step), fault_(fault) {}

  Hit Step(const std::string& op) override {
    Track(op);
    steps.push_back(op);
    if (steps.size() == fail_step_) {
      failed_at = calls.size();
      if (fault_ == Fault::kThrows) throw std::bad_alloc();
      return fault_ == Fault::kTakesNothing ? kTakeNothing : kFail;
    }
    opened += op == "Open";
    jobs_started += op == "StartDocument";
    jobs_ended += op == "EndDocument";
    return kPass;
  }
  void Note(const std::string& op) override {  // clean-up: never failed
    Track(op);
    closed += op != "AbortPrinter";
    jobs_aborted += op == "AbortPrinter";
  }

  std::vector<std::string> steps;  // fallible calls, in order
  std::vector<std::string> calls;  // every call, clean-up included
  std::size_t failed_at = 0;       // 1-based index into `calls` of the injected failure
  int opened = 0, closed = 0, jobs_started = 0, jobs_ended = 0, jobs_aborted = 0;
  std::vector<std::string> misuse;

 private:
  void Track(const std::string& op) {
    calls.push_back(op);
    const bool needs_handle = op != "Open" && op != "EnumeratePrinters" && op != "PrinterName" &&
                              op != "QueryDeviceNames";
    if (needs_handle && opened == closed) misuse.push_back(op + " on a handle not open");
  }

  std::size_t fail_step_;
  Fault fault_;
};

// Fresh fakes for every run, all reporting to the injector: two spooler writes (1000, then the
// 1500 left), four serial ones (300, 1024, 1024, 152), three printers and three DOS names.
struct Fakes {
  explicit Fakes(Injector* in) {
    spooler.hook = port.hook = dos.hook = in;
    spooler.takes = {1000};
    port.takes = {300};
    spooler.printers = {u"A", u"B", u"C"};
    spooler.needed = 1000;
    dos.names = {u"COM3", u"LPT1", u"COM7"};
  }
  FakeSpooler spooler;
  FakeSerialPort port;
  FakeDosDevices dos;
};

std::vector<std::uint8_t> Ticket() { return std::vector<std::uint8_t>(2500, 0x1B); }

// Each operation under test; the outcome as text ("" for success, "bad_alloc" for an allocation
// failure that escaped, the ids found for discovery).
std::string RunSpooler(Fakes& f) {
  PrintToWindowsPrinter(f.spooler, "printer:Caisse 1", Ticket());
  return "";
}

std::string RunSerial(Fakes& f) {
  PrintToSerialPort(f.port, "serial:COM5", Ticket());
  return "";
}

std::string RunDiscovery(Fakes& f) {
  std::string ids;
  for (const PrinterDevice& d : ListDevices(f.spooler, f.dos)) ids += d.id + "|";
  return ids;
}

// A handle passed that the fakes did not hand out counts as misuse.
std::string Outcome(const std::function<std::string(Fakes&)>& run, Injector& in) {
  Fakes fakes(&in);
  std::string outcome;
  try {
    outcome = run(fakes);
  } catch (const std::runtime_error& e) {
    outcome = e.what();
  } catch (const std::bad_alloc&) {
    outcome = "bad_alloc";
  }
  for (const auto* calls : {&fakes.spooler.calls, &fakes.port.calls}) {
    for (const std::string& call : *calls) {
      if (call.find("wrong handle") != std::string::npos) in.misuse.push_back(call);
    }
  }
  return outcome;
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

// The handle, if opened, was closed exactly once and used only while open; a started job was
// ended or aborted exactly once.
void ExpectCleanedUp(const Injector& in) {
  EXPECT_LE(in.opened, 1);
  EXPECT_EQ(in.closed, in.opened);
  EXPECT_EQ(in.misuse, std::vector<std::string>{});
  EXPECT_LE(in.jobs_started, 1);
  EXPECT_EQ(in.jobs_ended + in.jobs_aborted, in.jobs_started);
}

struct Scenario {
  const char* name;
  std::function<std::string(Fakes&)> run;
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
