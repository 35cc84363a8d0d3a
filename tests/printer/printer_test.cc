// The printer device side (text conversion, discovery, both transports) against the strict fake
// platform and the tables in printer_cases.txt: the message a user sees, the calls made in order,
// the bytes taken, and the clean-up when any platform call fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>
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
using quenbrel_test::Unescaped;

// The messages a user sees, by short name ("" for none).
const std::map<std::string, std::string>& Message() {
  static const std::map<std::string, std::string> messages = [] {
    std::map<std::string, std::string> by_name = {{"", ""}};
    for (const Lines& row : Cases("printer_cases.txt", "message")) {
      by_name[row[0]] = Unescaped(row[1]);
    }
    return by_name;
  }();
  return messages;
}

TEST(TextConversion, Tables) {
  for (const Lines& row : Cases("printer_cases.txt", "text")) {
    SCOPED_TRACE(row[3]);
    const std::u16string utf16 = Unescaped<char16_t>(row[0]);
    EXPECT_EQ(Utf16ToUtf8(utf16), Unescaped(row[1]));
    if (row[2] == "both") {
      EXPECT_EQ(Utf8ToUtf16(Unescaped(row[1])), utf16);
    }
  }
  for (const Lines& row : Cases("printer_cases.txt", "bad")) {
    SCOPED_TRACE(row[1]);
    try {
      Utf8ToUtf16(Unescaped(row[0]));
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), Message().at("invalid-name"));
    }
  }
}

std::vector<std::uint8_t> Ticket(std::size_t size) {
  std::vector<std::uint8_t> ticket(size);
  for (std::size_t i = 0; i < size; ++i) ticket[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return ticket;
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

// Asks serial:COM5 for its status; the answers in hex, or the message of the failure.
std::string Ask(FakePlatform& fake) {
  try {
    return quenbrel_test::ToHex(AskSerialStatus(fake, "serial:COM5", 500));
  } catch (const std::runtime_error& e) {
    return e.what();
  } catch (const std::bad_alloc&) {
    return "bad_alloc";
  }
}

TEST(Transports, CallsAndBytes) {
  for (const Lines& row : Cases("printer_cases.txt", "send")) {
    SCOPED_TRACE(row[5]);
    FakePlatform fake;
    std::istringstream takes(row[1]);
    for (std::uint32_t take; takes >> take;) fake.takes.push_back(take);
    const std::size_t size = std::stoul(row[2]);
    EXPECT_EQ(Send(fake, Unescaped(row[0]), size), Message().at(row[3]));
    std::string calls;
    for (const std::string& call : fake.calls) calls += (calls.empty() ? "" : ";") + call;
    EXPECT_EQ(calls, row[4]);
    const auto ticket = Ticket(size);
    ASSERT_LE(fake.received.size(), ticket.size());
    EXPECT_TRUE(std::equal(fake.received.begin(), fake.received.end(), ticket.begin()));
    EXPECT_TRUE(!row[3].empty() || fake.received.size() == ticket.size()) << "bytes left out";
  }
}

TEST(Transports, StatusRequests) {
  for (const Lines& row : Cases("printer_cases.txt", "status")) {
    SCOPED_TRACE(row[3]);
    FakePlatform fake;
    std::istringstream answers(row[0]);
    for (std::string answer; answers >> answer;) {
      fake.answers.push_back(answer == "--" ? -1 : std::stoi(answer, nullptr, 16));
    }
    EXPECT_EQ(Ask(fake), row[1]);
    std::string calls;
    for (const std::string& call : fake.calls) calls += (calls.empty() ? "" : ";") + call;
    EXPECT_EQ(calls,
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

TEST(ListDevices, Names) {
  for (const Lines& row : Cases("printer_cases.txt", "listed")) {
    SCOPED_TRACE(row[3]);
    FakePlatform fake;
    fake.needed = 1000;
    const bool port = row[0] == "port";
    if (port) {
      fake.dos_names = {Unescaped<char16_t>(row[1])};
    } else {
      fake.printers = {row[1].empty() ? std::nullopt : std::optional(Unescaped<char16_t>(row[1]))};
    }
    std::string listed;
    for (const PrinterDevice& d : ListDevices(fake, fake)) listed += d.id + " = " + d.name + ";";
    const std::string as = Unescaped(row[2]);
    EXPECT_EQ(listed, as.empty() ? ""
                      : port     ? "serial:" + as + " = " + as + " (port Bluetooth / serie);"
                                 : "printer:" + as + " = " + as + " (imprimante Windows);");
  }
}

// Both sources at once, each answering well or badly: a bad answer only shrinks the list.
// (Failing calls: see the sweep.)
TEST(ListDevices, Sources) {
  for (const Lines& row : Cases("printer_cases.txt", "sources")) {
    SCOPED_TRACE(row[6]);
    FakePlatform fake;
    fake.needed = std::stoul(row[0]);
    fake.grows_by = std::stoul(row[1]);
    std::istringstream printers(row[2]), ports(row[3]), sizes(row[4]);
    for (std::string name; printers >> name;) fake.printers.push_back(Unescaped<char16_t>(name));
    for (std::string name; ports >> name;) {
      const std::size_t star = name.find('*');  // "20000*COM5": that many times
      const std::size_t count = star == std::string::npos ? 1 : std::stoul(name.substr(0, star));
      fake.dos_names.insert(fake.dos_names.end(), count,
                            Unescaped<char16_t>(name.substr(star + 1)));
    }
    std::vector<std::uint32_t> enum_sizes;
    for (std::uint32_t size; sizes >> size;) enum_sizes.push_back(size);
    std::string ids;
    for (const PrinterDevice& d : ListDevices(fake, fake)) ids += (ids.empty() ? "" : " ") + d.id;
    EXPECT_EQ(ids, row[5]);
    // One query for the size, then one buffer of exactly that size; buffers zero-filled.
    EXPECT_EQ(fake.enum_sizes, enum_sizes);
    EXPECT_EQ(fake.dos_capacity, 65536u);
    EXPECT_TRUE(fake.buffers_zeroed);
  }
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
// the message is the one for that call and only clean-up follows (except in discovery, where the
// other source is still asked). The fake ends the run if any handle or job is left open.
TEST(Transports, EveryPlatformCallFailsInTurn) {
  const std::set<std::string> clean_up = {"Close", "ClosePrinter", "AbortPrinter"};
  std::map<std::string, std::map<std::string, std::string>> messages;  // by transport and call
  for (const Lines& row : Cases("printer_cases.txt", "fails")) {
    messages[row[0]][row[1]] = Message().at(row[2]);
  }
  const struct {
    const char* name;
    std::function<std::string(FakePlatform&)> run;
    std::size_t min_steps;  // a floor, so that a broken clean run cannot pass
  } scenarios[] = {
      {"spooler", [](FakePlatform& f) { return (f.takes = {1000}, Send(f, "printer:C", 2500)); },
       7},
      {"serial", [](FakePlatform& f) { return (f.takes = {300}, Send(f, "serial:COM5", 2500)); },
       8},
      {"discovery", Discover, 6},
      {"status",
       [](FakePlatform& f) {
         f.answers = {0x12, 0x12, 0x12, 0x12};
         const std::string got = Ask(f);
         return got == "12 12 12 12" ? "" : got;
       },
       12},
  };
  for (const auto& s : scenarios) {
    FakePlatform clean;
    const std::string clean_outcome = s.run(clean);
    ASSERT_GE(clean.steps.size(), s.min_steps) << s.name;
    const bool discovery = messages.count(s.name) == 0;
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
                                                          : messages[s.name].at(op));
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
