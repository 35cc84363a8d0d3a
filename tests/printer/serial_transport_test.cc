#include "printer/serial_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "tests/printer/expected_messages.h"
#include "tests/printer/fake_serial_port.h"

namespace {

using Calls = std::vector<std::string>;

std::vector<std::uint8_t> Ticket(std::size_t size) {
  std::vector<std::uint8_t> ticket(size);
  for (std::size_t i = 0; i < size; ++i) ticket[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return ticket;
}

std::string Print(FakeSerialPort& port, const std::string& id,
                  const std::vector<std::uint8_t>& ticket) {
  try {
    PrintToSerialPort(port, id, ticket);
    return "";
  } catch (const std::runtime_error& e) {
    return e.what();
  }
}

TEST(PrintToSerialPort, EachFailureHasItsMessageAndCleanUp) {
  struct Row {
    const char* row;
    std::string id;
    std::string fail_at;
    std::deque<std::uint32_t> takes;
    const char* message;
    Calls calls;
  };
  const Row rows[] = {
      {"empty port name", "serial:", "", {}, kExpectInvalidName, {}},
      {"ill-formed port name", "serial:COM\xFF", "", {}, kExpectInvalidName, {}},
      {"NUL inside the name",
       std::string("serial:COM5\0"
                   "0",
                   12),
       "",
       {},
       kExpectInvalidName,
       {}},
      {"port held by another program",
       "serial:COM5",
       "Open",
       {},
       kExpectPortUnavailable,
       {"Open(\\\\.\\COM5)"}},
      {"state unreadable",
       "serial:COM5",
       "GetCommState",
       {},
       kExpectPortUnreadable,
       {"Open(\\\\.\\COM5)", "GetCommState", "Close"}},
      {"state refused: no time-outs set",
       "serial:COM5",
       "SetCommState",
       {},
       kExpectPortNotConfigured,
       {"Open(\\\\.\\COM5)", "GetCommState", "SetCommState", "Close"}},
      {"time-outs refused",
       "serial:COM5",
       "SetCommTimeouts",
       {},
       kExpectPortNotConfigured,
       {"Open(\\\\.\\COM5)", "GetCommState", "SetCommState", "SetCommTimeouts", "Close"}},
      {"write fails",
       "serial:COM5",
       "Write",
       {},
       kExpectPortInterrupted,
       {"Open(\\\\.\\COM5)", "GetCommState", "SetCommState", "SetCommTimeouts", "Write(1024)",
        "Close"}},
      {"write takes nothing after a first piece",
       "serial:COM5",
       "",
       {1024, 0},
       kExpectPortInterrupted,
       {"Open(\\\\.\\COM5)", "GetCommState", "SetCommState", "SetCommTimeouts", "Write(1024)",
        "Write(1024)", "Close"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    FakeSerialPort port;
    port.fail_at = r.fail_at;
    port.takes = r.takes;
    EXPECT_EQ(Print(port, r.id, Ticket(2500)), r.message);
    EXPECT_EQ(port.calls, r.calls);
  }
}

TEST(PrintToSerialPort, WritesInPiecesOfAtMost1024Bytes) {
  struct Row {
    const char* row;
    std::size_t size;
    std::deque<std::uint32_t> takes;
    Calls writes;
  };
  const Row rows[] = {
      {"2,500 bytes", 2500, {}, {"Write(1024)", "Write(1024)", "Write(452)"}},
      {"a short write of 300",
       2500,
       {300},
       {"Write(1024)", "Write(1024)", "Write(1024)", "Write(152)"}},
      {"exactly 1,024", 1024, {}, {"Write(1024)"}},
      {"1,025", 1025, {}, {"Write(1024)", "Write(1)"}},
      {"empty ticket: no write", 0, {}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    FakeSerialPort port;
    port.takes = r.takes;
    const auto ticket = Ticket(r.size);
    EXPECT_EQ(Print(port, "serial:COM5", ticket), "");
    Calls expected = {"Open(\\\\.\\COM5)", "GetCommState", "SetCommState", "SetCommTimeouts"};
    expected.insert(expected.end(), r.writes.begin(), r.writes.end());
    expected.push_back("Close");
    EXPECT_EQ(port.calls, expected);
    EXPECT_EQ(port.received, std::vector<unsigned char>(ticket.begin(), ticket.end()));
  }
}

TEST(PrintToSerialPort, OpensTheDevicePathOfThePort) {
  const std::pair<const char*, const char*> rows[] = {
      {"serial:COM12", "Open(\\\\.\\COM12)"},
      {"serial:COM3", "Open(\\\\.\\COM3)"},
  };
  for (const auto& [id, open] : rows) {
    SCOPED_TRACE(id);
    FakeSerialPort port;
    EXPECT_EQ(Print(port, id, Ticket(1)), "");
    EXPECT_EQ(port.calls.at(0), open);
  }
}

// Compared whole with memcmp: the record has no padding.
static_assert(sizeof(CommState) == 80, "CommState layout");

TEST(PrintToSerialPort, SetsTheLineAndKeepsEveryOtherField) {
  // Every field of the port's state differs from both zero and what the transport sets.
  CommState port_state;
  std::fill_n(reinterpret_cast<unsigned char*>(&port_state), sizeof port_state, 0xA5);

  FakeSerialPort port;
  port.port_state = port_state;
  ASSERT_EQ(Print(port, "serial:COM5", Ticket(10)), "");

  // GetCommState received a zero-filled record carrying only its length.
  const CommState& given = port.state_given_to_get;
  EXPECT_EQ(given.DCBlength, 28u);
  CommState zero;
  zero.DCBlength = 28;
  EXPECT_EQ(std::memcmp(&given, &zero, sizeof given), 0);

  CommState expected = port_state;
  expected.BaudRate = 9600;
  expected.ByteSize = 8;
  expected.Parity = 0;
  expected.StopBits = 0;
  expected.fBinary = 1;
  expected.fParity = 0;
  expected.fOutxCtsFlow = 0;
  expected.fOutxDsrFlow = 0;
  expected.fDtrControl = 1;
  expected.fOutX = 0;
  expected.fInX = 0;
  expected.fRtsControl = 1;
  EXPECT_EQ(std::memcmp(&port.state_set, &expected, sizeof expected), 0);

  const CommTimeouts& t = port.timeouts_set;
  EXPECT_EQ(std::vector<std::uint32_t>({t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier,
                                        t.ReadTotalTimeoutConstant, t.WriteTotalTimeoutMultiplier,
                                        t.WriteTotalTimeoutConstant}),
            std::vector<std::uint32_t>({0, 0, 0, 0, 5000}));
}

}  // namespace
