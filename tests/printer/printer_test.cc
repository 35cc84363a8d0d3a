// The printer device side (text conversion, discovery, both transports) against the strict fake
// platform and the tables in printer_cases.txt: the message a user sees, the calls made in order,
// the bytes taken, and the clean-up when any platform call fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>

#include "printer/device_discovery.h"
#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"
#include "printer/text_conversion.h"
#include "standins/printer/fake_platform.h"
#include "tests/test_util.h"

namespace {

using quenbrel_test::Cases;
using quenbrel_test::Lines;
using quenbrel_test::Message;
using quenbrel_test::ToHex;
using quenbrel_test::Unescaped;

// What |run| returns, or the message of what it throws ("bad_alloc" for that).
std::string Outcome(const std::function<std::string()>& run) {
  try {
    return run();
  } catch (const std::runtime_error& e) {
    return e.what();
  } catch (const std::bad_alloc&) {
    return "bad_alloc";
  }
}

TEST(TextConversion, Tables) {
  for (const Lines& row : Cases("printer_cases.txt", "text")) {
    SCOPED_TRACE(row[3]);
    const std::u16string utf16 = Unescaped<char16_t>(row[0]);
    EXPECT_EQ(Utf16ToUtf8(utf16), Unescaped(row[1]));
    EXPECT_EQ(row[2] == "both" ? Utf8ToUtf16(Unescaped(row[1])) : utf16, utf16);
  }
  for (const Lines& row : Cases("printer_cases.txt", "bad")) {
    SCOPED_TRACE(row[1]);
    EXPECT_EQ(Outcome([&] { return Utf16ToUtf8(Utf8ToUtf16(Unescaped(row[0]))); }),
              Message("invalid-name"));
  }
}

std::vector<std::uint8_t> Ticket(std::size_t size) {
  std::vector<std::uint8_t> ticket(size);
  for (std::size_t i = 0; i < size; ++i) ticket[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return ticket;
}

// Sends a ticket of |size| bytes to |id| ("serial:..." to the port, else to the spooler).
std::string Send(FakePlatform& fake, const std::string& id, std::size_t size) {
  return Outcome([&] {
    id.rfind("serial:", 0) == 0 ? PrintToSerialPort(fake, id, Ticket(size))
                                : PrintToWindowsPrinter(fake, id, Ticket(size));
    return std::string();
  });
}

// Asks serial:COM5 for its status: the answers in hex, or "unsent" when a request was not taken.
std::string Ask(FakePlatform& fake) {
  return Outcome([&] {
    const StatusAnswers answers = AskSerialStatus(fake, "serial:COM5", 500);
    return answers.unsent ? "unsent" : ToHex(answers.bytes);
  });
}

std::string Ids(const std::vector<PrinterDevice>& devices) {
  std::string ids;
  for (const PrinterDevice& d : devices) ids += (ids.empty() ? "" : " ") + d.id;
  return ids;
}

std::string Calls(const FakePlatform& fake) {
  std::string calls;
  for (const std::string& call : fake.calls) calls += (calls.empty() ? "" : ";") + call;
  return calls;
}

TEST(Transports, CallsAndBytes) {
  for (const Lines& row : Cases("printer_cases.txt", "send")) {
    SCOPED_TRACE(row[5]);
    FakePlatform fake;
    std::istringstream takes(row[1]);
    for (std::uint32_t take; takes >> take;) fake.takes.push_back(take);
    const std::size_t size = std::stoul(row[2]);
    EXPECT_EQ(Send(fake, Unescaped(row[0]), size), Message(row[3]));
    EXPECT_EQ(Calls(fake), row[4]);
    const auto ticket = Ticket(size);  // all of it, or what came before a failure
    const std::size_t sent = row[3].empty() ? size : std::min(size, fake.received.size());
    EXPECT_EQ(fake.received, std::vector<std::uint8_t>(ticket.begin(), ticket.begin() + sent));
  }
}

TEST(Transports, StatusRequests) {
  for (const Lines& row : Cases("printer_cases.txt", "status")) {
    SCOPED_TRACE(row[3]);
    FakePlatform fake;
    std::istringstream answers(row[0]);
    for (int answer; answers >> std::hex >> answer;) fake.answers.push_back(answer);
    EXPECT_EQ(Ask(fake), row[1]);
    EXPECT_EQ(Calls(fake),
              "Open(\\\\.\\COM5);GetCommState;SetCommState;SetCommTimeouts;" + row[2] + ";Close");
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
  expected.Parity = expected.StopBits = expected.fInX = 0;
  expected.fParity = expected.fOutxCtsFlow = expected.fOutxDsrFlow = expected.fOutX = 0;
  expected.fBinary = expected.fDtrControl = expected.fRtsControl = 1;
  EXPECT_EQ(std::memcmp(&fake.state_set, &expected, sizeof expected), 0);
  CommTimeouts timeouts;  // 5 s a write, nothing else
  timeouts.WriteTotalTimeoutConstant = 5000;
  EXPECT_EQ(std::memcmp(&fake.timeouts_set, &timeouts, sizeof timeouts), 0);
}

// Printers and DOS names, each well or badly answered: a bad answer only shrinks the list.
TEST(ListDevices, Sources) {
  for (const Lines& row : Cases("printer_cases.txt", "sources")) {
    SCOPED_TRACE(row[6]);
    FakePlatform fake;
    fake.needed = std::stoul(row[0]);
    fake.grows_by = std::stoul(row[1]);
    std::istringstream printers(row[2]), ports(row[3]), sizes(row[4]);
    for (std::string name; printers >> name;) {
      fake.printers.push_back(name == "-" ? std::nullopt
                                          : std::optional(Unescaped<char16_t>(name)));
    }
    for (std::string name; ports >> name;) {
      const std::size_t star = name.find('*');  // "20000*COM5": that many times
      const std::size_t count = star == std::string::npos ? 1 : std::stoul(name.substr(0, star));
      fake.dos_names.insert(fake.dos_names.end(), count,
                            Unescaped<char16_t>(name.substr(star + 1)));
    }
    std::vector<std::uint32_t> enum_sizes;
    for (std::uint32_t size; sizes >> size;) enum_sizes.push_back(size);
    EXPECT_EQ(Ids(ListDevices(fake, fake)), Unescaped(row[5]));
    // One query for the size, then one buffer of exactly that size; buffers zero-filled.
    EXPECT_EQ(fake.enum_sizes, enum_sizes);
    EXPECT_EQ(fake.dos_capacity, 65536u);
    EXPECT_TRUE(fake.buffers_zeroed);
  }
}

// Every fallible call of a clean run fails in turn (returns failure, takes nothing, or throws):
// the outcome is the one the table gives for that call, and in the transports only clean-up
// follows. The fake ends the run if any handle or job is left open.
TEST(Transports, EveryPlatformCallFailsInTurn) {
  std::map<std::string, std::map<std::string, std::string>> outcomes;  // by table and call
  for (const Lines& row : Cases("printer_cases.txt", "fails")) {
    const bool message = row[0] == "spooler" || row[0] == "serial";
    outcomes[row[0]][row[1]] = message && !row[1].empty() ? Message(row[2]) : row[2];
  }
  const std::map<std::string, std::function<std::string(FakePlatform&)>> scenarios = {
      {"spooler", [](FakePlatform& f) { return (f.takes = {1000}, Send(f, "printer:C", 2500)); }},
      {"serial", [](FakePlatform& f) { return (f.takes = {300}, Send(f, "serial:COM5", 2500)); }},
      {"serial status", [](FakePlatform& f) { return (f.answers.assign(4, 0x12), Ask(f)); }},
      {"discovery",
       [](FakePlatform& f) {
         f.printers = {u"A"};
         f.needed = 1000;
         f.dos_names = {u"COM3"};
         return Outcome([&] { return Ids(ListDevices(f, f)); });
       }},
  };
  for (const auto& [name, run] : scenarios) {
    FakePlatform clean;
    EXPECT_EQ(run(clean), outcomes[name][""]) << name;
    // The scenario's own rows, then its transport's.
    std::map<std::string, std::string> outcome = outcomes[name];
    const auto& transport = outcomes[name.substr(0, name.find(' '))];
    outcome.insert(transport.begin(), transport.end());
    for (std::size_t step = 1; step <= clean.steps.size(); ++step) {
      const std::string op = clean.steps[step - 1].substr(0, clean.steps[step - 1].find('('));
      for (const auto fault :
           {FakePlatform::kFails, FakePlatform::kTakesNothing, FakePlatform::kThrows}) {
        if (fault == FakePlatform::kTakesNothing && op != "Write" && op != "WritePrinter") continue;
        SCOPED_TRACE(name + ": step " + std::to_string(step) + " (" + op + ") fault " +
                     std::to_string(fault));
        FakePlatform fake;
        fake.fail_step = step;
        fake.fault = fault;
        EXPECT_EQ(run(fake), fault == FakePlatform::kThrows ? "bad_alloc" : outcome.at(op));
        ASSERT_GT(fake.failed_at, 0u);
        for (std::size_t i = fake.failed_at; name != "discovery" && i < fake.calls.size(); ++i) {
          const std::string& call = fake.calls[i];
          EXPECT_TRUE(call == "Close" || call == "ClosePrinter" || call == "AbortPrinter") << call;
        }
      }
    }
  }
}

}  // namespace
