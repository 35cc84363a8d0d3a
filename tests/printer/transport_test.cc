// Both transports against their fakes: the message a user sees, the calls made in order (clean-up
// included) and the bytes taken.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"
#include "tests/printer/expected_messages.h"
#include "tests/printer/fake_serial_port.h"
#include "tests/printer/fake_spooler.h"

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

const std::string kCom5 = "Open(\\\\.\\COM5)";
const std::string kLine = "|GetCommState|SetCommState|SetCommTimeouts";
const std::string kJob = "Open(Caisse 1)|StartDocument(Quenbrel - Ticket, RAW)|StartPage";
const std::string kEnd = "|EndPage|EndDocument|ClosePrinter";
const std::string kAbort = "|AbortPrinter|ClosePrinter";

// A "serial:" id goes to PrintToSerialPort, any other to PrintToWindowsPrinter.
TEST(Transports, MessagesCallsAndBytes) {
  struct Row {
    const char* row;
    std::string id;
    std::string fail_at;
    std::deque<std::uint32_t> takes;
    std::size_t size;
    const char* message;
    std::string calls;
  };
  // clang-format off
  const Row rows[] = {
      {"serial: empty name", "serial:", "", {}, 9, kExpectInvalidName, ""},
      {"serial: ill-formed name", "serial:COM\xFF", "", {}, 9, kExpectInvalidName, ""},
      {"serial: NUL inside the name", std::string("serial:COM5\0" "0", 12), "", {}, 9, kExpectInvalidName, ""},
      {"serial: port held elsewhere", "serial:COM5", "Open", {}, 9, kExpectPortUnavailable, kCom5},
      {"serial: state unreadable", "serial:COM5", "GetCommState", {}, 9, kExpectPortUnreadable, kCom5 + "|GetCommState|Close"},
      {"serial: state refused, no time-outs", "serial:COM5", "SetCommState", {}, 9, kExpectPortNotConfigured, kCom5 + "|GetCommState|SetCommState|Close"},
      {"serial: time-outs refused", "serial:COM5", "SetCommTimeouts", {}, 9, kExpectPortNotConfigured, kCom5 + kLine + "|Close"},
      {"serial: write fails", "serial:COM5", "Write", {}, 2500, kExpectPortInterrupted, kCom5 + kLine + "|Write(1024)|Close"},
      {"serial: nothing taken after a piece", "serial:COM5", "", {1024, 0}, 2500, kExpectPortInterrupted, kCom5 + kLine + "|Write(1024)|Write(1024)|Close"},
      {"serial: pieces of 1,024", "serial:COM5", "", {}, 2500, "", kCom5 + kLine + "|Write(1024)|Write(1024)|Write(452)|Close"},
      {"serial: short write goes on", "serial:COM5", "", {300}, 2500, "", kCom5 + kLine + "|Write(1024)|Write(1024)|Write(1024)|Write(152)|Close"},
      {"serial: exactly 1,024", "serial:COM12", "", {}, 1024, "", "Open(\\\\.\\COM12)" + kLine + "|Write(1024)|Close"},
      {"serial: 1,025", "serial:COM3", "", {}, 1025, "", "Open(\\\\.\\COM3)" + kLine + "|Write(1024)|Write(1)|Close"},
      {"serial: empty ticket", "serial:COM5", "", {}, 0, "", kCom5 + kLine + "|Close"},
      {"spooler: empty name", "printer:", "", {}, 9, kExpectInvalidName, ""},
      {"spooler: ill-formed name", "printer:Caisse \xC3", "", {}, 9, kExpectInvalidName, ""},
      {"spooler: NUL inside the name", std::string("printer:Caisse\0 1", 17), "", {}, 9, kExpectInvalidName, ""},
      {"spooler: open fails", "printer:Caisse 1", "Open", {}, 9, kExpectPrinterUnavailable, "Open(Caisse 1)"},
      {"spooler: no document", "printer:Caisse 1", "StartDocument", {}, 9, kExpectJobNotCreated, "Open(Caisse 1)|StartDocument(Quenbrel - Ticket, RAW)|ClosePrinter"},
      {"spooler: no page", "printer:Caisse 1", "StartPage", {}, 9, kExpectPageNotStarted, kJob + kAbort},
      {"spooler: write fails", "printer:Caisse 1", "WritePrinter", {}, 2500, kExpectPrinterInterrupted, kJob + "|WritePrinter(2500)" + kAbort},
      {"spooler: write takes nothing", "printer:Caisse 1", "", {0}, 2500, kExpectPrinterInterrupted, kJob + "|WritePrinter(2500)" + kAbort},
      {"spooler: second write fails", "printer:Caisse 1", "WritePrinter(1500)", {1000}, 2500, kExpectPrinterInterrupted, kJob + "|WritePrinter(2500)|WritePrinter(1500)" + kAbort},
      {"spooler: end page fails", "printer:Caisse 1", "EndPage", {}, 9, kExpectJobNotConfirmed, kJob + "|WritePrinter(9)|EndPage" + kAbort},
      {"spooler: end document fails", "printer:Caisse 1", "EndDocument", {}, 9, kExpectJobNotConfirmed, kJob + "|WritePrinter(9)|EndPage|EndDocument" + kAbort},
      {"spooler: taken at once", "printer:Caisse 1", "", {}, 2500, "", kJob + "|WritePrinter(2500)" + kEnd},
      {"spooler: short writes go on", "printer:Caisse 1", "", {1000, 1}, 2500, "", kJob + "|WritePrinter(2500)|WritePrinter(1500)|WritePrinter(1499)" + kEnd},
      {"spooler: empty ticket", "printer:Caisse 1", "", {}, 0, "", kJob + kEnd},
      {"spooler: name as UTF-16", "printer:\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", "", {}, 1, "",
       "Open(\xC3\xA9t\xC3\xA9 \xE2\x82\xAC)|StartDocument(Quenbrel - Ticket, RAW)|StartPage|WritePrinter(1)" + kEnd},
  };
  // clang-format on
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    const bool serial = r.id.rfind("serial:", 0) == 0;
    FakeSerialPort port;
    FakeSpooler spooler;
    port.fail_at = spooler.fail_at = r.fail_at;
    port.takes = spooler.takes = r.takes;
    const auto ticket = Ticket(r.size);
    std::string message;
    try {
      serial ? PrintToSerialPort(port, r.id, ticket) : PrintToWindowsPrinter(spooler, r.id, ticket);
    } catch (const std::runtime_error& e) {
      message = e.what();
    }
    EXPECT_EQ(message, r.message);
    EXPECT_EQ(Join(serial ? port.calls : spooler.calls), r.calls);
    const auto& received = serial ? port.received : spooler.received;
    ASSERT_LE(received.size(), ticket.size());
    EXPECT_TRUE(std::equal(received.begin(), received.end(), ticket.begin()));
    EXPECT_TRUE(!message.empty() || received.size() == ticket.size()) << "bytes left out";
  }
}

static_assert(sizeof(CommState) == 80, "compared whole with memcmp: no padding");

TEST(Transports, SerialLineIsSetAndEveryOtherFieldKept) {
  // Every field of the port's state differs from both zero and what the transport sets.
  FakeSerialPort port;
  std::fill_n(reinterpret_cast<unsigned char*>(&port.port_state), sizeof(CommState), 0xA5);
  PrintToSerialPort(port, "serial:COM5", Ticket(10));

  CommState zero;  // GetCommState receives a zero-filled record carrying only its length
  zero.DCBlength = 28;
  EXPECT_EQ(std::memcmp(&port.state_given_to_get, &zero, sizeof zero), 0);

  CommState expected = port.port_state;
  expected.BaudRate = 9600;
  expected.ByteSize = 8;
  expected.Parity = expected.StopBits = 0;
  expected.fParity = expected.fOutxCtsFlow = expected.fOutxDsrFlow = 0;
  expected.fOutX = expected.fInX = 0;
  expected.fBinary = expected.fDtrControl = expected.fRtsControl = 1;
  EXPECT_EQ(std::memcmp(&port.state_set, &expected, sizeof expected), 0);

  const CommTimeouts& t = port.timeouts_set;
  EXPECT_EQ(std::vector<std::uint32_t>({t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                                        t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                                        t.WriteTotalTimeoutConstant}),
            std::vector<std::uint32_t>({0, 0, 0, 0, 5000}));
}

}  // namespace
