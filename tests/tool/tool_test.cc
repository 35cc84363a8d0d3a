// The support tool's commands against the strict fake platform, a fake queue and a fake machine,
// with the tables in tool_cases.txt: the exit code, what it prints and what the devices received.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "printer/device_discovery.h"
#include "printer/printer_messages.h"
#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"
#include "printer/tool/tool_commands.h"
#include "printer/tool/tool_messages.h"
#include "standins/printer/fake_platform.h"
#include "tests/test_util.h"

namespace {

using quenbrel_test::Cases;
using quenbrel_test::Lines;
using quenbrel_test::ToHex;
using quenbrel_test::Unescaped;

// The texts by short name: the tool's own, and the app's from printer_cases.txt.
const std::string& Text(const std::string& name) {
  static const std::map<std::string, std::string> texts = [] {
    std::map<std::string, std::string> t = {{"", ""},
                                            {"usage", kUsageText},
                                            {"unreadable-file", kUnreadableFileMessage},
                                            {"ticket-invalid", kTicketDataInvalidMessage},
                                            {"no-queue", kNoQueueMessage},
                                            {"jobs-refused", kJobsRefusedMessage},
                                            {"queue-unreadable", kQueueUnreadableMessage},
                                            {"report-not-written", kReportNotWrittenMessage},
                                            {"ready", kReadyLine},
                                            {"offline", kOfflineLine},
                                            {"cover", kCoverOpenLine},
                                            {"feed", kFeedButtonLine},
                                            {"near-end", kPaperNearEndLine},
                                            {"paper-out", kPaperOutLine},
                                            {"error", kErrorLine},
                                            {"cutter", kCutterErrorLine},
                                            {"unrecoverable", kUnrecoverableLine},
                                            {"auto", kAutoRecoverableLine},
                                            {"drawer-high", kDrawerHighLine},
                                            {"drawer-low", kDrawerLowLine},
                                            {"no-answer", kNoAnswerLine},
                                            {"not-status", kNotStatusLine},
                                            {"nothing", kNothingReportedLine},
                                            {"paused", kPausedLine},
                                            {"work-offline", kWorkOfflineLine},
                                            {"driver-error", kDriverErrorLine},
                                            {"jam", kPaperJamLine}};
    for (const Lines& row : Cases("printer_cases.txt", "message")) t[row[0]] = Unescaped(row[2]);
    return t;
  }();
  return texts.at(name);
}

// "ready drawer-low" -> the two lines, each ended.
std::string LinesOf(const std::string& names) {
  std::istringstream in(names);
  std::string text;
  for (std::string name; in >> name;) text += Text(name) + "\n";
  return text;
}

// The app's discovery and transports, on the fake platform.
class Services : public PrinterServices {
 public:
  explicit Services(FakePlatform& fake) : fake_(fake) {}
  std::vector<PrinterDevice> ListDevices() override { return ::ListDevices(fake_, fake_); }
  void PrintToSerialPort(const std::string& id, const std::vector<uint8_t>& bytes) override {
    ::PrintToSerialPort(fake_, id, bytes);
  }
  void PrintToWindowsPrinter(const std::string& id, const std::vector<uint8_t>& bytes) override {
    ::PrintToWindowsPrinter(fake_, id, bytes);
  }

 private:
  FakePlatform& fake_;
};

class FakeQueue : public PrinterQueue {
 public:
  std::optional<PrinterRecord> ReadRecord(const std::u16string& name) override {
    names.push_back(name);
    return record;
  }
  JobsCancelled CancelJobs(const std::u16string& name) override {
    names.push_back(name);
    return jobs;
  }
  std::optional<PrinterRecord> record = PrinterRecord{0, 0, 0, u"COM9:", u"Generic / Text Only"};
  JobsCancelled jobs;
  std::vector<std::u16string> names;
};

class FakeSystem : public ToolSystem {
 public:
  FileRead ReadRegularFile(const std::string&, std::size_t limit,
                           std::vector<std::uint8_t>* bytes) override {
    EXPECT_EQ(limit, 65536u);
    if (file_read == FileRead::kRead) *bytes = file;
    return file_read;
  }
  std::optional<std::string> ReadFileEnd(const std::string& path, std::size_t limit) override {
    EXPECT_EQ(path, LogFilePath());
    if (!log) return std::nullopt;
    return log->substr(log->size() - std::min(limit, log->size()));
  }
  bool WriteFile(const std::string& path, const std::string& text) override {
    written[path] = text;
    return !write_fails;
  }
  LocalTime Now() override { return {2024, 3, 9, 7, 5}; }
  std::string ToolVersion() override { return "1.2.3"; }
  std::string WindowsVersion() override { return "10.0.19045"; }
  std::string DesktopFolder() override { return "C:\\Users\\Caisse\\Desktop"; }
  std::string LogFilePath() override { return "C:\\Local\\quenbrel.log"; }

  FileRead file_read = FileRead::kRead;
  std::vector<std::uint8_t> file;
  std::optional<std::string> log;
  bool write_fails = false;
  std::map<std::string, std::string> written;
};

// One machine: the printer Caisse and the port COM5.
struct Machine {
  Machine() {
    platform.printers = {u"Caisse"};
    platform.needed = 1000;
    platform.dos_names = {u"COM5"};
  }
  int Run(const std::string& line) {
    std::vector<std::string> args;
    std::istringstream in(line);
    for (std::string arg; in >> arg;) args.push_back(Unescaped(arg));
    ToolDevices devices{services, platform, queue};
    return RunTool(args, devices, system, &output);
  }

  FakePlatform platform;
  Services services{platform};
  FakeQueue queue;
  FakeSystem system;
  ToolOutput output;
};

TEST(ToolStatus, SerialAnswers) {
  for (const Lines& row : Cases("tool_cases.txt", "serial")) {
    SCOPED_TRACE(row[3]);
    Machine m;
    std::istringstream answers(row[0]);
    for (std::string a; answers >> a;)
      m.platform.answers.push_back(a == "--" ? -1 : std::stoi(a, nullptr, 16));
    EXPECT_EQ(m.Run("status serial:COM5"), std::stoi(row[1]));
    EXPECT_EQ(m.output.out, LinesOf(row[2]));
    EXPECT_EQ(m.output.err, "");
  }
}

TEST(ToolStatus, SpoolerRecords) {
  for (const Lines& row : Cases("tool_cases.txt", "record")) {
    SCOPED_TRACE(row[5]);
    Machine m;
    m.queue.record->status = std::stoul(row[0], nullptr, 16);
    m.queue.record->attributes = std::stoul(row[1], nullptr, 16);
    m.queue.record->jobs = std::stoul(row[2]);
    EXPECT_EQ(m.Run("status printer:Caisse"), std::stoi(row[3]));
    EXPECT_EQ(m.output.out, std::string(kDriverReportsLine) + "\n" + LinesOf(row[4]) +
                                "Travaux en attente : " + row[2] +
                                "\nPort : COM9:\nPilote : Generic / Text Only\n");
    EXPECT_EQ(m.queue.names, std::vector<std::u16string>({u"Caisse"}));
  }
}

TEST(ToolCommands, Runs) {
  for (const Lines& row : Cases("tool_cases.txt", "run")) {
    SCOPED_TRACE(row[6]);
    Machine m;
    std::istringstream setup(row[1]);
    std::string what, value;
    setup >> what >> value;
    if (what == "file") {
      m.system.file_read = value == "too-big"      ? FileRead::kTooBig
                           : value == "unreadable" ? FileRead::kUnreadable
                                                   : FileRead::kRead;
      if (m.system.file_read == FileRead::kRead) m.system.file.assign(std::stoul(value), 0x2A);
    } else if (what == "jobs") {
      m.queue.jobs = {value != "closed", value != "closed" && value != "unlisted"};
      if (m.queue.jobs.listed) {
        m.queue.jobs.cancelled = std::stoul(value);
        setup >> m.queue.jobs.refused;
      }
    } else if (what == "record") {
      m.queue.record.reset();
    } else if (what == "write") {
      m.system.write_fails = true;
    } else if (what == "printer") {
      m.platform.printers.push_back(Unescaped<char16_t>(value));
    }
    EXPECT_EQ(m.Run(row[0]), std::stoi(row[2]));
    EXPECT_EQ(m.output.out, Unescaped(row[3]));
    EXPECT_EQ(m.output.err.substr(0, Text(row[4]).size()), Text(row[4]));
    EXPECT_EQ(m.output.err.empty(), row[4].empty()) << m.output.err;
    if (row[5] != "-") {
      EXPECT_EQ(ToHex(m.platform.received), row[5]);
    }
  }
}

// Every platform call of a print to each kind of device and of a port's status fails in turn:
// the exit code is the one of the message shown (1 when the call throws).
TEST(ToolCommands, EveryFailureExitsWithItsCode) {
  std::map<std::string, int> codes = {{"", 0}};
  for (const Lines& row : Cases("printer_cases.txt", "message")) {
    codes[Unescaped(row[2])] = std::stoi(row[1]);
  }
  for (const char* line :
       {"print serial:COM5 t.bin", "print printer:Caisse t.bin", "status serial:COM5"}) {
    Machine clean;
    clean.platform.answers = {0x12, 0x12, 0x12, 0x12};
    clean.system.file = {1, 2, 3};
    ASSERT_EQ(clean.Run(line), 0) << line;
    for (std::size_t step = 1; step <= clean.platform.steps.size(); ++step) {
      for (const auto fault : {FakePlatform::kFails, FakePlatform::kThrows}) {
        SCOPED_TRACE(std::string(line) + ": step " + std::to_string(step) + " fault " +
                     std::to_string(fault));
        Machine m;
        m.platform.answers = {0x12, 0x12, 0x12, 0x12};
        m.system.file = {1, 2, 3};
        m.platform.fail_step = step;
        m.platform.fault = fault;
        const int code = m.Run(line);
        const std::string err = m.output.err.substr(0, m.output.err.find('\n'));
        if (fault == FakePlatform::kThrows) {
          EXPECT_EQ(code, 1) << err;
        } else {
          ASSERT_TRUE(codes.count(err)) << err;
          EXPECT_EQ(code, codes[err]);
        }
      }
    }
  }
}

TEST(ToolReport, EverySection) {
  Machine m;
  m.platform.answers = {0x12, 0x12, 0x12, 0x12};
  m.system.log = "";
  for (int i = 1; i <= 250; ++i) *m.system.log += "line " + std::to_string(i) + "\r\n";
  m.queue.record.reset();
  const std::string path = "C:\\Users\\Caisse\\Desktop\\quenbrel-rapport-20240309-0705.txt";
  EXPECT_EQ(m.Run("report"), 0);
  EXPECT_EQ(m.output.out, "Rapport ecrit : " + path + "\n");
  const std::string report = m.system.written[path];
  std::string want = "\xEF\xBB\xBFRapport Quenbrel pour le support\r\n";
  EXPECT_EQ(report.substr(0, want.size()), want);
  want =
      "\r\nOutil : quenbrel-printers 1.2.3\r\nWindows : 10.0.19045\r\nDate : 09/03/2024 "
      "07:05\r\n\r\nAppareils\r\n"
      "printer:Caisse\tCaisse (imprimante Windows)\r\n  " +
      std::string(kPrinterUnavailableMessage) +
      "\r\nserial:COM5\tCOM5 (port Bluetooth / serie)\r\n  Imprimante prete.\r\n  " +
      kDrawerLowLine +
      "\r\n\r\nJournal (200 dernieres lignes) : C:\\Local\\quenbrel.log\r\nline 51\r\n";
  EXPECT_NE(report.find(want), std::string::npos) << report;
  EXPECT_EQ(report.substr(report.size() - 20), "line 249\r\nline 250\r\n");
  m.system.log.reset();
  m.output = {};
  EXPECT_EQ(m.Run("report r.txt"), 0);
  EXPECT_NE(m.system.written["r.txt"].find("quenbrel.log\r\nAucun journal.\r\n"),
            std::string::npos);
}

}  // namespace
