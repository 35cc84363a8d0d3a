#include "printer/spooler_transport.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/printer/expected_messages.h"
#include "tests/printer/fake_spooler.h"

namespace {

using Calls = std::vector<std::string>;

std::vector<std::uint8_t> Ticket(std::size_t size) {
  std::vector<std::uint8_t> ticket(size);
  for (std::size_t i = 0; i < size; ++i) ticket[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return ticket;
}

// Runs one print; returns the message it failed with, or "" on success.
std::string Print(FakeSpooler& spooler, const std::string& id,
                  const std::vector<std::uint8_t>& ticket) {
  try {
    PrintToWindowsPrinter(spooler, id, ticket);
    return "";
  } catch (const std::runtime_error& e) {
    return e.what();
  }
}

TEST(PrintToWindowsPrinter, EachFailureHasItsMessageAndCleanUp) {
  struct Row {
    const char* row;
    std::string id;
    std::string fail_at;
    std::deque<std::uint32_t> takes;
    const char* message;
    Calls calls;
  };
  const Row rows[] = {
      {"empty name", "printer:", "", {}, kExpectInvalidName, {}},
      {"ill-formed name", "printer:Caisse \xC3", "", {}, kExpectInvalidName, {}},
      {"NUL inside the name",
       std::string("printer:Caisse\0 1", 17),
       "",
       {},
       kExpectInvalidName,
       {}},
      {"open fails", "printer:Caisse 1", "Open", {}, kExpectPrinterUnavailable, {"Open(Caisse 1)"}},
      {"start document fails",
       "printer:Caisse 1",
       "StartDocument",
       {},
       kExpectJobNotCreated,
       {"Open(Caisse 1)", "StartDocument(Quenbrel - Ticket, RAW)", "ClosePrinter"}},
      {"start page fails",
       "printer:Caisse 1",
       "StartPage",
       {},
       kExpectPageNotStarted,
       {"Open(Caisse 1)", "StartDocument(Quenbrel - Ticket, RAW)", "StartPage", "AbortPrinter",
        "ClosePrinter"}},
      {"write fails",
       "printer:Caisse 1",
       "WritePrinter",
       {},
       kExpectPrinterInterrupted,
       {"Open(Caisse 1)", "StartDocument(Quenbrel - Ticket, RAW)", "StartPage",
        "WritePrinter(2500)", "AbortPrinter", "ClosePrinter"}},
      {"write takes nothing",
       "printer:Caisse 1",
       "",
       {0},
       kExpectPrinterInterrupted,
       {"Open(Caisse 1)", "StartDocument(Quenbrel - Ticket, RAW)", "StartPage",
        "WritePrinter(2500)", "AbortPrinter", "ClosePrinter"}},
      {"second write fails",
       "printer:Caisse 1",
       "WritePrinter(1500)",
       {1000},
       kExpectPrinterInterrupted,
       {"Open(Caisse 1)", "StartDocument(Quenbrel - Ticket, RAW)", "StartPage",
        "WritePrinter(2500)", "WritePrinter(1500)", "AbortPrinter", "ClosePrinter"}},
      {"end page fails",
       "printer:Caisse 1",
       "EndPage",
       {},
       kExpectJobNotConfirmed,
       {"Open(Caisse 1)", "StartDocument(Quenbrel - Ticket, RAW)", "StartPage",
        "WritePrinter(2500)", "EndPage", "AbortPrinter", "ClosePrinter"}},
      {"end document fails",
       "printer:Caisse 1",
       "EndDocument",
       {},
       kExpectJobNotConfirmed,
       {"Open(Caisse 1)", "StartDocument(Quenbrel - Ticket, RAW)", "StartPage",
        "WritePrinter(2500)", "EndPage", "EndDocument", "AbortPrinter", "ClosePrinter"}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    FakeSpooler spooler;
    spooler.fail_at = r.fail_at;
    spooler.takes = r.takes;
    EXPECT_EQ(Print(spooler, r.id, Ticket(2500)), r.message);
    EXPECT_EQ(spooler.calls, r.calls);
  }
}

TEST(PrintToWindowsPrinter, WritesUntilEveryByteIsTaken) {
  struct Row {
    const char* row;
    std::size_t size;
    std::deque<std::uint32_t> takes;
    Calls writes;
  };
  const Row rows[] = {
      {"taken at once", 2500, {}, {"WritePrinter(2500)"}},
      {"short writes continue with the rest",
       2500,
       {1000, 1},
       {"WritePrinter(2500)", "WritePrinter(1500)", "WritePrinter(1499)"}},
      {"empty ticket: no write", 0, {}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.row);
    FakeSpooler spooler;
    spooler.takes = r.takes;
    const auto ticket = Ticket(r.size);
    EXPECT_EQ(Print(spooler, "printer:Caisse 1", ticket), "");
    Calls expected = {"Open(Caisse 1)", "StartDocument(Quenbrel - Ticket, RAW)", "StartPage"};
    expected.insert(expected.end(), r.writes.begin(), r.writes.end());
    expected.insert(expected.end(), {"EndPage", "EndDocument", "ClosePrinter"});
    EXPECT_EQ(spooler.calls, expected);
    EXPECT_EQ(spooler.received, std::vector<unsigned char>(ticket.begin(), ticket.end()));
  }
}

TEST(PrintToWindowsPrinter, OpensTheNameAfterThePrefixAsUtf16) {
  FakeSpooler spooler;
  EXPECT_EQ(Print(spooler, "printer:Caisse \xC3\xA9t\xC3\xA9 \xE2\x82\xAC", Ticket(1)), "");
  EXPECT_EQ(spooler.calls.at(0), "Open(Caisse \xC3\xA9t\xC3\xA9 \xE2\x82\xAC)");
}

}  // namespace
