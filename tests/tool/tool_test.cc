// The support tool's commands against the strict fake platform, a fake queue and a fake machine,
// with the tables in tool_cases.txt: the exit code, what it prints and what the devices received.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "printer/device_discovery.h"
#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"
#include "printer/tool/tool_commands.h"
#include "printer/tool/tool_system.h"
#include "standins/printer/fake_network.h"
#include "standins/printer/fake_platform.h"
#include "tests/test_util.h"

namespace {

using quenbrel_test::Cases;
using quenbrel_test::Lines;
using quenbrel_test::Message;
using quenbrel_test::ToHex;
using quenbrel_test::Unescaped;

// "ready drawer-low" -> the two lines, each ended.
std::string LinesOf(const std::string& names) {
  std::istringstream in(names);
  std::string text;
  for (std::string name; in >> name;) text += Message(name) + "\n";
  return text;
}

// The fake platform, with the app's discovery and transports on it.
struct Platform : FakePlatform, PrinterServices {
  std::vector<PrinterDevice> ListDevices() override { return ::ListDevices(*this, *this); }
  void PrintToSerialPort(const std::string& id, const std::vector<uint8_t>& bytes) override {
    ::PrintToSerialPort(*this, id, bytes);
  }
  void PrintToWindowsPrinter(const std::string& id, const std::vector<uint8_t>& bytes) override {
    ::PrintToWindowsPrinter(*this, id, bytes);
  }
};

// The queue of the printer Caisse, the only one it is asked about.
class FakeQueue : public PrinterQueue {
 public:
  std::optional<PrinterRecord> ReadRecord(const std::u16string& name) override {
    EXPECT_EQ(name, u"Caisse");
    return record;
  }
  JobsCancelled CancelJobs(const std::u16string& name) override {
    EXPECT_EQ(name, u"Caisse");
    return jobs;
  }
  std::optional<PrinterRecord> record = PrinterRecord{0, 0, 0, u"COM9:", u"Generic / Text Only"};
  JobsCancelled jobs;  // by default, the printer cannot be opened
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
    if (logs.count(path) == 0) return std::nullopt;
    return logs[path].substr(logs[path].size() - std::min(limit, logs[path].size()));
  }
  FileCreated CreateNewFile(const std::string& path, const std::string& text) override {
    if (names.count(path) != 0) return names[path];
    if (write_fails) return FileCreated::kFailed;
    written[path] = text;
    names[path] = FileCreated::kTaken;
    return FileCreated::kCreated;
  }
  std::vector<FileEntry> ListFiles(const std::string& folder) override {
    EXPECT_EQ(folder, Traces().crash_folder);
    return files;
  }
  LocalTime Now() override { return {2024, 3, 9, 7, 5}; }
  std::string ToolVersion() override { return "1.2.3"; }
  std::string WindowsVersion() override { return "10.0.19045"; }
  std::string DesktopFolder() override { return "C:\\Users\\Caisse\\Desktop"; }
  ProgramTraces Traces() override {
    return {"C:\\Local\\logs\\quenbrel.log", "C:\\Local\\logs\\quenbrel.1.log",
            "C:\\Local\\crashes"};
  }

  FileRead file_read = FileRead::kRead;
  std::vector<std::uint8_t> file;
  std::map<std::string, std::string> logs;  // by path
  std::vector<FileEntry> files;             // in the crash folder
  bool write_fails = false;
  std::map<std::string, FileCreated> names;  // taken, or links
  std::map<std::string, std::string> written;
};

// A board's COM9, and COM5 (the outgoing Bluetooth port of TM-P20 by default; "-": no record).
struct FakePortRecords : ComPortRecords {
  std::vector<ComPortRecord> ListComPorts() override {
    if (com5_id == "-") return {{"COM9", "ACPI\\PNP0501\\1"}};
    return {{"COM9", "ACPI\\PNP0501\\1"}, {"com5", com5_id}};
  }
  std::optional<std::string> PairedDeviceName(const std::string& address) override {
    if (name == "-" || !std::regex_match(address, std::regex("[0-9A-F]{12}"))) return {};
    return name;
  }
  std::string com5_id =
      "BTHENUM\\{00001101-0000-1000-8000-00805F9B34FB}_LOCALMFG&0002\\7&2B8A7F5B&0&001122AABBCC_"
      "C00000000";
  std::string name = "TM-P20";
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
    ToolDevices devices{platform, platform, queue, network, network, ports};
    return RunTool(args, devices, system, &output);
  }

  Platform platform;
  FakeQueue queue;
  FakeNetwork network;
  FakePortRecords ports;
  FakeSystem system;
  ToolOutput output;
};

TEST(ToolStatus, Findings) {
  for (const Lines& row : Cases("tool_cases.txt", "status")) {
    SCOPED_TRACE(row[4]);
    Machine m;
    std::istringstream state(row[1]);
    std::string before, after;  // around a Windows printer's findings
    if (row[0] == "printer:Caisse") {
      PrinterRecord& r = *m.queue.record;
      state >> std::hex >> r.status >> r.attributes >> std::dec >> r.jobs;
      before = LinesOf("driver-note");
      after = "Travaux en attente : " + std::to_string(r.jobs) +
              "\nPort : COM9:\nPilote : Generic / Text Only\n";
    } else {
      before = LinesOf("com5");
    }
    for (std::string answer; state >> answer;) {  // "x": the request is not taken
      m.platform.takes.push_back(answer == "x" ? 0 : 3);
      if (answer != "x") m.platform.answers.push_back(std::stoi(answer, nullptr, 16));
    }
    EXPECT_EQ(m.Run("status " + row[0]), std::stoi(row[2]));
    EXPECT_EQ(m.output.out, before + LinesOf(row[3]) + after);
  }
}

// A printer on a network port: the printer asked over TCP first, then what the spooler keeps.
TEST(ToolStatus, NetworkPrinters) {
  for (const Lines& row : Cases("tool_cases.txt", "network")) {
    SCOPED_TRACE(row[6]);
    Machine m;
    TcpIpPort port;
    std::string host, log;
    if (std::istringstream(row[1]) >> host >> port.port_number >> port.protocol) {
      port.host = Unescaped<char16_t>(host);
      m.network.tcp_ip = port;
    }
    m.queue.record->port = Unescaped<char16_t>(row[0]);
    m.queue.record->status = std::stoul(row[2], nullptr, 16);
    std::istringstream link(row[3]);
    for (std::string word; link >> word;) {
      const std::string address = host + ":" + std::to_string(port.port_number);
      if (log.empty()) log = "connect " + address + " in 2000 ms\n";
      if (word == "refused") m.network.opening = LinkOpening::kRefused;
      if (word == "timed-out") m.network.opening = LinkOpening::kTimedOut;
      if (word == "unreachable") m.network.opening = LinkOpening::kUnreachable;
      if (m.network.opening != LinkOpening::kOpen) break;
      m.network.answers.push_back(word == "silent"   ? FakeNetwork::kSilent
                                  : word == "closed" ? FakeNetwork::kClosed
                                                     : std::stoi(word, nullptr, 16));
      log += "ask 10 04 0" + std::to_string(m.network.answers.size()) + " in 500 ms\n";
    }
    std::string expected;
    std::istringstream names(row[5]);
    for (std::string name; names >> name;) {
      expected += name == "asked" ? "Imprimante reseau : " + host + ", port " +
                                        std::to_string(port.port_number) + "\n"
                  : name == "/" ? LinesOf("driver-note")
                                : LinesOf(name);
    }
    EXPECT_EQ(m.Run("status printer:Caisse"), std::stoi(row[4]));
    EXPECT_EQ(m.output.out, expected + "Travaux en attente : 0\nPort : " + Unescaped(row[0]) +
                                "\nPilote : Generic / Text Only\n");
    EXPECT_EQ(m.network.log, log);
  }
}

// A bit of a printer's record alone: its exit code and findings.
TEST(ToolStatus, PrinterRecordBits) {
  for (const Lines& row : Cases("tool_cases.txt", "bit")) {
    Machine m;
    m.queue.record->status = std::stoul(row[0], nullptr, 16);
    EXPECT_EQ(m.Run("status printer:Caisse"), std::stoi(row[1])) << row[0];
    const std::string lines = LinesOf(row[1] == "0" ? "driver-note nothing" : "driver-note");
    EXPECT_EQ(m.output.out.find(lines + Unescaped(row[2]) + "\nTravaux"), 0u) << row[0];
  }
}

// COM5 as its record tells it, beside its label in "list".
TEST(ToolList, PortKinds) {
  for (const Lines& row : Cases("tool_cases.txt", "port")) {
    SCOPED_TRACE(row[3]);
    Machine m;
    m.ports.com5_id = Unescaped(row[0]);
    m.ports.name = Unescaped(row[1]);
    EXPECT_EQ(m.Run("list"), 0);
    EXPECT_EQ(m.output.out.substr(m.output.out.rfind('\t') + 1), Unescaped(row[2]) + "\n");
  }
}

TEST(ToolCommands, Runs) {
  for (const Lines& row : Cases("tool_cases.txt", "run")) {
    SCOPED_TRACE(row[6]);
    Machine m;
    std::string what;
    std::uint32_t n = 0, refused = 0;
    std::istringstream(row[1]) >> what >> n >> refused;
    if (what == "file") m.system.file.assign(n, 0x2A);
    if (what == "too-big") m.system.file_read = FileRead::kTooBig;
    if (what == "unreadable") m.system.file_read = FileRead::kUnreadable;
    if (what == "jobs") m.queue.jobs = {true, true, n, refused};
    if (what == "unlisted") m.queue.jobs.opened = true;
    if (what == "no-record") m.queue.record.reset();
    if (what == "write-fails") m.system.write_fails = true;
    if (what == "printer") m.platform.printers.push_back(Unescaped<char16_t>(row[1].substr(8)));
    if (what == "incoming") m.ports.com5_id = "BTHENUM\\X\\7&2B8A7F5B&0&000000000000_00000000";
    std::istringstream names(row[1]);  // "taken A B link C": names there already
    for (std::string name, kind; names >> name;) {
      if (name == "taken" || name == "link")
        kind = name;
      else if (!kind.empty())
        m.system.names[name] = kind == "link" ? FileCreated::kLink : FileCreated::kTaken;
    }
    EXPECT_EQ(m.Run(row[0]), std::stoi(row[2]));
    EXPECT_EQ(m.output.out, Unescaped(row[3]));
    EXPECT_EQ(m.output.err.substr(0, Message(row[4]).size()), Message(row[4]));
    EXPECT_EQ(m.output.err.empty(), row[4].empty()) << m.output.err;
    EXPECT_EQ(ToHex(m.platform.received), row[5]);
  }
}

// Every platform call of a print to each kind of device and of a port's status fails in turn:
// the exit code is the one of the message shown (1 when the call throws).
TEST(ToolCommands, EveryFailureExitsWithItsCode) {
  std::map<std::string, int> codes;
  for (const Lines& row : Cases("printer_cases.txt", "message")) {
    codes[Unescaped(row[2]) + "\n"] = std::stoi(row[1]);
  }
  for (const std::string line :
       {"print serial:COM5 t.bin", "print printer:Caisse t.bin", "status serial:COM5"}) {
    for (std::size_t step = 1, failed = 1; failed != 0; ++step) {
      for (const auto fault : {FakePlatform::kFails, FakePlatform::kThrows}) {
        SCOPED_TRACE(line + ": step " + std::to_string(step) + " fault " + std::to_string(fault));
        Machine m;
        m.platform.answers.assign(4, 0x12);
        m.system.file = {1, 2, 3};
        m.platform.fail_step = step;
        m.platform.fault = fault;
        const int code = m.Run(line);
        failed = m.platform.failed_at;
        // A status request the port does not take is a finding, no answer, not a failure.
        const bool unsent = line[0] == 's' && failed && m.platform.calls[failed - 1][0] == 'W';
        EXPECT_EQ(code, !failed                          ? 0
                        : fault == FakePlatform::kThrows ? 1
                        : unsent                         ? ExitCodeOf(StatusOutcome::kNoAnswer)
                                                         : codes[m.output.err])
            << m.output.err;
      }
    }
  }
}

TEST(ToolReport, EverySection) {
  Machine m;
  m.platform.answers.assign(4, 0x12);
  m.queue.record.reset();
  // 250 lines across the two logs, the last 200 reported; a crash's line before them.
  const std::string crash = "Crash: exception 0xC0000005 at a.dll+0x1A; stack: a.dll+0x1A; dump: d";
  std::string old_log = crash + "\r\n", log;
  for (int i = 1; i <= 250; ++i) (i <= 150 ? old_log : log) += "line " + std::to_string(i) + "\r\n";
  m.system.logs = {{m.system.Traces().old_log, old_log}, {m.system.Traces().log, log}};
  std::string dumps;  // six, and a file that is no dump: the five newest listed, newest first
  m.system.files.push_back({"notes.txt", {}, 1});
  for (int day = 1; day <= 6; ++day) {
    const std::string name = "quenbrel-2024030" + std::to_string(day) + "-070500-9.dmp";
    m.system.files.push_back({name, {2024, 3, day, 7, 5}, 1000u + day});
    if (day > 1) {
      dumps = name + "\t0" + std::to_string(day) + "/03/2024 07:05\t100" + std::to_string(day) +
              " octets\r\n" + dumps;
    }
  }
  const std::string path = "C:\\Users\\Caisse\\Desktop\\quenbrel-rapport-20240309-0705.txt";
  EXPECT_EQ(m.Run("report"), 0);
  EXPECT_EQ(m.output.out, "Rapport ecrit : " + path + "\n");
  EXPECT_EQ(std::count(m.platform.calls.begin(), m.platform.calls.end(), "Read(500)"), 4);
  EXPECT_EQ(
      m.system.written[path],
      "\xEF\xBB\xBFRapport Quenbrel pour le support\r\nOutil : quenbrel-printers 1.2.3\r\n"
      "Windows : 10.0.19045\r\nDate : 09/03/2024 07:05\r\n\r\nAppareils\r\n"
      "printer:Caisse\tCaisse (imprimante Windows)\r\n  " +
          Message("printer-unavailable") + "\r\nserial:COM5\tCOM5 (port Bluetooth / serie)\r\n  " +
          Message("com5") + "\r\n  " + Message("ready") + "\r\n  " + Message("drawer-low") +
          "\r\n\r\nPlantages (vidages les plus recents) : C:\\Local\\crashes\r\n" + dumps + crash +
          "\r\n\r\nJournal (200 dernieres lignes de quenbrel.1.log et quenbrel.log) : "
          "C:\\Local\\logs\r\n" +
          old_log.substr(old_log.find("line 51\r\n")) + log);
  m.system.logs.clear();
  m.system.files.clear();
  EXPECT_EQ(m.Run("report r.txt"), 0);
  EXPECT_NE(m.system.written["r.txt"].find(
                "crashes\r\nAucun plantage.\r\n\r\nJournal (200 dernieres lignes de quenbrel.1.log "
                "et quenbrel.log) : C:\\Local\\logs\r\nAucun journal.\r\n"),
            std::string::npos);
}

// docs/support.md lists the exit codes of the tables, a row each: code and meaning.
TEST(ToolDocs, ExitCodesAreTheTables) {
  std::multiset<std::string> code, page;
  const auto add = [&code](int exit_code, const std::string& meaning) {
    code.insert("| " + std::to_string(exit_code) + " | " + meaning + " |");
  };
  for (const auto& row : kPrinterFailures) add(row.exit_code, row.meaning);
  for (const auto& row : kToolOutcomes) add(row.exit_code, row.meaning);
  for (const auto& row : kStatusOutcomes) add(row.exit_code, row.meaning);
  std::ifstream file("support.md");
  for (std::string line; std::getline(file, line);) {
    if (std::regex_match(line, std::regex(R"(\| *[0-9]+ *\|.*)"))) page.insert(line);
  }
  for (const auto& row : code) EXPECT_EQ(page.count(row), 1u) << "not in docs/support.md: " << row;
  for (const auto& row : page) EXPECT_EQ(code.count(row), 1u) << "not in the tables: " << row;
}

}  // namespace
