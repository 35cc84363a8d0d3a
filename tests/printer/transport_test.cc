// Both transports and discovery against the fake platform: the message a user sees, the calls made
// in order, the bytes taken, and the clean-up when any platform call fails.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include "printer/device_discovery.h"
#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"
#include "standins/printer/fake_platform.h"
#include "tests/printer/expected_messages.h"

namespace {

std::vector<std::uint8_t> Ticket(std::size_t size) {
  std::vector<std::uint8_t> ticket(size);
  for (std::size_t i = 0; i < size; ++i) ticket[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return ticket;
}

std::string Join(const std::vector<std::string>& calls) {
  std::string joined;
  for (const std::string& call : calls) joined += (joined.empty() ? "" : "|") + call;
  return joined;
}

// Sends a ticket of |size| bytes to |id| ("serial:..." to the port, else to the spooler); the
// message of the failure ("" for none, "bad_alloc" when that escaped).
std::string Send(FakePlatform& fake, const std::string& id, std::size_t size) {
  try {
    if (id.rfind("serial:", 0) == 0) {
      PrintToSerialPort(fake, id, Ticket(size));
    } else {
      PrintToWindowsPrinter(fake, id, Ticket(size));
    }
  } catch (const std::runtime_error& e) {
    return e.what();
  } catch (const std::bad_alloc&) {
    return "bad_alloc";
  }
  return "";
}

const std::string kCom5 = "Open(\\\\.\\COM5)";
const std::string kLine = "|GetCommState|SetCommState|SetCommTimeouts";
const std::string kJob = "Open(Caisse 1)|StartDocument(Quenbrel - Ticket, RAW)|StartPage";
const std::string kEnd = "|EndPage|EndDocument|ClosePrinter";

TEST(Transports, CallsAndBytes) {
  const struct {
    const char* row;
    std::string id;
    std::deque<std::uint32_t> takes;
    std::size_t size;
    const char* message;
    std::string calls;
  } rows[] = {
      {"serial: empty name", "serial:", {}, 9, kExpectInvalidName, ""},
      {"serial: ill-formed name", "serial:COM\xFF", {}, 9, kExpectInvalidName, ""},
      {"serial: NUL inside the name",
       std::string("serial:COM5\0"
                   "0",
                   12),
       {},
       9,
       kExpectInvalidName,
       ""},
      {"serial: pieces of 1,024",
       "serial:COM5",
       {},
       2500,
       "",
       kCom5 + kLine + "|Write(1024)|Write(1024)|Write(452)|Close"},
      {"serial: short write goes on",
       "serial:COM5",
       {300},
       2500,
       "",
       kCom5 + kLine + "|Write(1024)|Write(1024)|Write(1024)|Write(152)|Close"},
      {"serial: more taken than offered",
       "serial:COM5",
       {2000},
       2500,
       "",
       kCom5 + kLine + "|Write(1024)|Write(1024)|Write(452)|Close"},
      {"serial: nothing taken after a piece",
       "serial:COM5",
       {1024, 0},
       2500,
       kExpectPortInterrupted,
       kCom5 + kLine + "|Write(1024)|Write(1024)|Close"},
      {"serial: exactly 1,024",
       "serial:COM12",
       {},
       1024,
       "",
       "Open(\\\\.\\COM12)" + kLine + "|Write(1024)|Close"},
      {"serial: 1,025",
       "serial:COM3",
       {},
       1025,
       "",
       "Open(\\\\.\\COM3)" + kLine + "|Write(1024)|Write(1)|Close"},
      {"serial: empty ticket", "serial:COM5", {}, 0, "", kCom5 + kLine + "|Close"},
      {"spooler: empty name", "printer:", {}, 9, kExpectInvalidName, ""},
      {"spooler: ill-formed name", "printer:Caisse \xC3", {}, 9, kExpectInvalidName, ""},
      {"spooler: NUL inside the name",
       std::string("printer:Caisse\0 1", 17),
       {},
       9,
       kExpectInvalidName,
       ""},
      {"spooler: taken at once",
       "printer:Caisse 1",
       {},
       2500,
       "",
       kJob + "|WritePrinter(2500)" + kEnd},
      {"spooler: short writes go on",
       "printer:Caisse 1",
       {1000, 1},
       2500,
       "",
       kJob + "|WritePrinter(2500)|WritePrinter(1500)|WritePrinter(1499)" + kEnd},
      {"spooler: nothing taken",
       "printer:Caisse 1",
       {0},
       2500,
       kExpectPrinterInterrupted,
       kJob + "|WritePrinter(2500)|AbortPrinter|ClosePrinter"},
      {"spooler: empty ticket", "printer:Caisse 1", {}, 0, "", kJob + kEnd},
      {"spooler: name as UTF-16",
       "printer:\xC3\xA9t\xC3\xA9 \xE2\x82\xAC",
       {},
       1,
       "",
       "Open(\xC3\xA9t\xC3\xA9 \xE2\x82\xAC)|StartDocument(Quenbrel - Ticket, "
       "RAW)|StartPage|WritePrinter(1)" +
           kEnd},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.row);
    FakePlatform fake;
    fake.takes = r.takes;
    EXPECT_EQ(Send(fake, r.id, r.size), r.message);
    EXPECT_EQ(Join(fake.calls), r.calls);
    const auto ticket = Ticket(r.size);
    ASSERT_LE(fake.received.size(), ticket.size());
    EXPECT_TRUE(std::equal(fake.received.begin(), fake.received.end(), ticket.begin()));
    EXPECT_TRUE(*r.message != '\0' || fake.received.size() == ticket.size()) << "bytes left out";
  }
}

static_assert(sizeof(CommState) == 80, "compared whole with memcmp: no padding");

TEST(Transports, SerialLineIsSetAndEveryOtherFieldKept) {
  // Every field of the port's state differs from both zero and what the transport sets.
  FakePlatform fake;
  std::fill_n(reinterpret_cast<unsigned char*>(&fake.port_state), sizeof(CommState), 0xA5);
  EXPECT_EQ(Send(fake, "serial:COM5", 10), "");
  CommState zero;  // GetCommState receives a zero-filled record carrying only its length
  zero.DCBlength = 28;
  EXPECT_EQ(std::memcmp(&fake.state_given_to_get, &zero, sizeof zero), 0);
  CommState expected = fake.port_state;
  expected.BaudRate = 9600;
  expected.ByteSize = 8;
  expected.Parity = expected.StopBits = 0;
  expected.fParity = expected.fOutxCtsFlow = expected.fOutxDsrFlow = expected.fOutX = 0;
  expected.fInX = 0;
  expected.fBinary = expected.fDtrControl = expected.fRtsControl = 1;
  EXPECT_EQ(std::memcmp(&fake.state_set, &expected, sizeof expected), 0);
  const CommTimeouts& t = fake.timeouts_set;
  EXPECT_EQ(std::vector<std::uint32_t>({t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                                        t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                                        t.WriteTotalTimeoutConstant}),
            std::vector<std::uint32_t>({0, 0, 0, 0, 5000}));
}

// Discovery of three printers and three DOS names: the ids found.
std::string Discover(FakePlatform& fake) {
  fake.printers = {u"A", u"B", u"C"};
  fake.needed = 1000;
  fake.dos_names = {u"COM3", u"LPT1", u"COM7"};
  std::string ids;
  try {
    for (const PrinterDevice& d : ListDevices(fake, fake)) ids += d.id + "|";
  } catch (const std::bad_alloc&) {
    return "bad_alloc";
  }
  return ids;
}

// What discovery finds when the call |op| fails, |names_before| printer names having been read:
// its source contributes nothing, or, for a printer's name, that one printer is left out.
std::string DiscoveredDespite(const std::string& op, std::size_t names_before) {
  if (op == "EnumeratePrinters") return "serial:COM3|serial:COM7|";
  if (op == "QueryDeviceNames") return "printer:A|printer:B|printer:C|";
  std::string ids;
  for (std::size_t i = 0; i < 3; ++i) {
    if (i != names_before) ids += std::string("printer:") + char('A' + i) + "|";
  }
  return ids + "serial:COM3|serial:COM7|";
}

// Every fallible call of a clean run fails in turn (returns failure, takes nothing, or throws):
// the message is the one for that call, only clean-up follows (except in discovery, where the
// other source is still asked), and every handle and job is ended exactly once.
TEST(Transports, EveryPlatformCallFailsInTurn) {
  const std::set<std::string> clean_up = {"Close", "ClosePrinter", "AbortPrinter"};
  const struct {
    const char* name;
    std::function<std::string(FakePlatform&)> run;
    std::map<std::string, std::string> message;  // by failing call; none for discovery
    std::size_t min_steps;                       // a floor, so that a broken clean run cannot pass
  } scenarios[] = {
      {"spooler",
       [](FakePlatform& f) {
         f.takes = {1000};
         return Send(f, "printer:Caisse 1", 2500);
       },
       {{"Open", kExpectPrinterUnavailable},
        {"StartDocument", kExpectJobNotCreated},
        {"StartPage", kExpectPageNotStarted},
        {"WritePrinter", kExpectPrinterInterrupted},
        {"EndPage", kExpectJobNotConfirmed},
        {"EndDocument", kExpectJobNotConfirmed}},
       7},
      {"serial",
       [](FakePlatform& f) {
         f.takes = {300};
         return Send(f, "serial:COM5", 2500);
       },
       {{"Open", kExpectPortUnavailable},
        {"GetCommState", kExpectPortUnreadable},
        {"SetCommState", kExpectPortNotConfigured},
        {"SetCommTimeouts", kExpectPortNotConfigured},
        {"Write", kExpectPortInterrupted}},
       8},
      {"discovery", Discover, {}, 6},
  };
  for (const auto& s : scenarios) {
    FakePlatform clean;
    const std::string clean_outcome = s.run(clean);
    ASSERT_GE(clean.steps.size(), s.min_steps) << s.name;
    const bool discovery = s.message.empty();
    EXPECT_TRUE(discovery || clean_outcome.empty()) << s.name << ": " << clean_outcome;
    for (std::size_t step = 1; step <= clean.steps.size(); ++step) {
      const std::string op = clean.steps[step - 1].substr(0, clean.steps[step - 1].find('('));
      for (const auto fault :
           {FakePlatform::kFails, FakePlatform::kTakesNothing, FakePlatform::kThrows}) {
        if (fault == FakePlatform::kTakesNothing && op != "Write" && op != "WritePrinter") continue;
        SCOPED_TRACE(std::string(s.name) + ": step " + std::to_string(step) + " (" + op +
                     ") fault " + std::to_string(fault));
        FakePlatform fake;
        fake.fail_step = step;
        fake.fault = fault;
        const std::string outcome = s.run(fake);
        const std::size_t names_before =
            std::count(clean.steps.begin(), clean.steps.begin() + (step - 1), "PrinterName");
        EXPECT_EQ(outcome, fault == FakePlatform::kThrows ? "bad_alloc"
                           : discovery                    ? DiscoveredDespite(op, names_before)
                                                          : s.message.at(op));
        ASSERT_GT(fake.failed_at, 0u);
        for (std::size_t i = fake.failed_at; i < fake.calls.size(); ++i) {
          if (!discovery || fault == FakePlatform::kThrows) {
            EXPECT_TRUE(clean_up.count(fake.calls[i])) << "after the failure: " << fake.calls[i];
          }
        }
      }
    }
  }
}

}  // namespace
