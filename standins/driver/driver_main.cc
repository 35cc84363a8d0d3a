// quenbrel-driver: plays the application's side of a running host through the stand-in engine's
// driver connection. Starts the host under Wine (or waits for one started by hand), then reads
// commands on standard input and prints one line per event, reply and outcome on standard output.
//
//   quenbrel-driver [--port P] [--timeout S] [--wine-run RUNNER] [--env NAME=VALUE]...
//                   [PROGRAM.EXE [ARGUMENTS...]]
//
// Without PROGRAM.EXE it only listens (on P) and waits for a host started with
// QUENBREL_TEST_ENGINE_PORT=P. Commands:
//   list | settings | print DEVICE FILE (FILE is the last word) | call METHOD [ARGUMENTS] (a value
//   as replies show them, such as {"device": "serial:COM5", "bytes": bytes(2):1b40}) |
//   raw CHANNEL [HEX]
//   wait (until every message has its reply) | quit (close the window, wait for the end)
// Output: "listening P", "event TEXT", "sent ID WHAT", "reply ID ...", "closed", "exit CODE",
// "error TEXT". At the end of input it waits for the replies, then closes the window. The exit
// status is the host's exit code (0 in listen-only mode), 3 when the driver itself failed or timed
// out. Every wait is bounded by the time-out (default 60 s).
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "standins/driver/app_messages.h"
#include "standins/driver/connection.h"
#include "standins/driver/host_process.h"
#include "standins/driver_link/driver_frames.h"

namespace driver {
namespace {

constexpr int kDriverFailed = 3;
using Clock = std::chrono::steady_clock;

void Say(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

struct Options {
  uint16_t port = 0;
  double timeout = 60;
  std::string wine_run = QUENBREL_DEFAULT_WINE_RUN;
  std::vector<std::pair<std::string, std::string>> environment;
  std::vector<std::string> program;  // PROGRAM.EXE and its arguments; empty: listen only
};

bool ParseOptions(int argc, char** argv, Options* options) {
  int i = 1;
  for (; i < argc; ++i) {
    const std::string word = argv[i];
    const bool has_value = i + 1 < argc;
    if (word == "--port" && has_value) {
      options->port = static_cast<uint16_t>(std::atoi(argv[++i]));
    } else if (word == "--timeout" && has_value) {
      options->timeout = std::atof(argv[++i]);
    } else if (word == "--wine-run" && has_value) {
      options->wine_run = argv[++i];
    } else if (word == "--env" && has_value) {
      const std::string pair = argv[++i];
      const size_t equals = pair.find('=');
      if (equals == std::string::npos) return false;
      options->environment.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    } else if (word == "--") {
      ++i;
      break;
    } else if (word.rfind("--", 0) == 0) {
      return false;
    } else {
      break;
    }
  }
  options->program.assign(argv + i, argv + argc);
  return options->timeout > 0;
}

class Driver {
 public:
  Driver(Options options, std::unique_ptr<Connection> connection)
      : options_(std::move(options)), connection_(std::move(connection)) {}

  int Run();

 private:
  enum class Phase { kCommands, kDraining, kQuitting };

  void HandleFrames();
  void HandleInput();
  void HandleBufferedLines();
  void HandleCommand(const std::string& line);
  void SendMessage(const std::string& channel, const std::vector<uint8_t>& bytes,
                   const std::string& what);
  void Quit();
  Clock::time_point Deadline() const {
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double>(options_.timeout));
  }

  Options options_;
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<HostProcess> host_;
  bool closed_ = false;  // the connection was up and has ended
  bool input_open_ = true;
  std::string input_;
  Phase phase_ = Phase::kCommands;
  std::optional<Clock::time_point> waiting_until_;  // a "wait" command, or the end of input
  Clock::time_point quit_deadline_{};
  uint32_t next_id_ = 1;
  std::map<uint32_t, std::string> outstanding_;
};

int Driver::Run() {
  Say("listening " + std::to_string(connection_->port()));
  if (!options_.program.empty()) {
    std::vector<std::string> command = {options_.wine_run};
    command.insert(command.end(), options_.program.begin(), options_.program.end());
    std::vector<std::pair<std::string, std::string>> environment = options_.environment;
    environment.emplace_back("QUENBREL_TEST_ENGINE_PORT", std::to_string(connection_->port()));
    std::string error;
    host_ = HostProcess::Start(command, environment, &error);
    if (!host_) {
      Say("error cannot start the host: " + error);
      return kDriverFailed;
    }
  }
  const Clock::time_point connect_deadline = Deadline();
  for (;;) {
    if (host_) {
      const std::optional<int> code = host_->Poll();
      if (code && (!connection_->connected() || closed_)) {
        Say("exit " + std::to_string(*code));
        return *code;
      }
    } else if (closed_) {
      return 0;
    }
    if (!connection_->connected() && Clock::now() > connect_deadline) {
      Say("error no host connected in time");
      return kDriverFailed;
    }
    if (phase_ == Phase::kQuitting && Clock::now() > quit_deadline_) {
      Say("error the host did not end in time");
      return kDriverFailed;
    }
    if (waiting_until_ && (outstanding_.empty() || Clock::now() > *waiting_until_)) {
      if (!outstanding_.empty())
        Say("error replies still missing: " + std::to_string(outstanding_.size()));
      waiting_until_.reset();
      if (phase_ == Phase::kDraining) Quit();
    }
    if (connection_->connected() && !closed_) HandleBufferedLines();

    pollfd fds[2] = {};
    nfds_t count = 0;
    if (!closed_) fds[count++] = {connection_->descriptor(), POLLIN, 0};
    const bool read_input = connection_->connected() && !closed_ && input_open_ &&
                            phase_ == Phase::kCommands && !waiting_until_;
    if (read_input) fds[count++] = {0, POLLIN, 0};
    poll(fds, count, 50);
    if (!closed_ && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
      if (!connection_->OnReadable()) {
        closed_ = true;
        Say("closed");
      }
      HandleFrames();
    }
    if (read_input && (fds[count - 1].revents & (POLLIN | POLLHUP))) HandleInput();
  }
}

void Driver::HandleFrames() {
  for (driver_link::Frame& frame : connection_->received()) {
    if (frame.type == driver_link::kEventFrame) {
      Say("event " + std::string(frame.body.begin(), frame.body.end()));
    } else if (frame.type == driver_link::kReplyFrame) {
      uint32_t id = 0;
      std::vector<uint8_t> reply;
      if (!driver_link::DecodeReplyBody(frame.body, &id, &reply)) {
        Say("error a reply frame too short to hold an id");
        continue;
      }
      outstanding_.erase(id);
      Say("reply " + std::to_string(id) + " " + app::DescribeReply(reply));
    } else {
      Say(std::string("error a frame of unknown type ") + frame.type);
    }
  }
  connection_->received().clear();
}

void Driver::HandleInput() {
  char buffer[4096];
  const ssize_t n = read(0, buffer, sizeof(buffer));
  if (n <= 0) {
    input_open_ = false;
    if (!input_.empty() && input_.back() != '\n') input_ += '\n';  // a last line without end
  } else {
    input_.append(buffer, static_cast<size_t>(n));
  }
  HandleBufferedLines();
}

void Driver::HandleBufferedLines() {
  size_t end;
  while (phase_ == Phase::kCommands && !waiting_until_ &&
         (end = input_.find('\n')) != std::string::npos) {
    const std::string line = input_.substr(0, end);
    input_.erase(0, end + 1);
    HandleCommand(line);
  }
  if (!input_open_ && input_.empty() && phase_ == Phase::kCommands && !waiting_until_) {
    phase_ = Phase::kDraining;  // the end of input: wait for the replies, then close the window
    waiting_until_ = Deadline();
  }
}

void Driver::HandleCommand(const std::string& line) {
  std::istringstream words(line);
  std::string command;
  words >> command;
  std::string rest;
  std::getline(words >> std::ws, rest);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\r')) rest.pop_back();
  if (command.empty()) return;
  if (command == "list" || command == "settings") {
    SendMessage(app::kPrinterChannel, app::EncodeCall(command), command);
  } else if (command == "call" && !rest.empty()) {
    const size_t space = rest.find(' ');
    flutter::EncodableValue arguments;
    if (space != std::string::npos && !app::ParseValue(rest.substr(space + 1), &arguments)) {
      return Say("error the arguments are not a value: " + rest.substr(space + 1));
    }
    SendMessage(app::kPrinterChannel, app::EncodeCall(rest.substr(0, space), arguments),
                "call " + rest);
  } else if (command == "print") {
    const size_t space = rest.rfind(' ');
    if (space == std::string::npos) return Say("error usage: print DEVICE FILE");
    const std::string device = rest.substr(0, space);
    std::ifstream file(rest.substr(space + 1), std::ios::binary);
    if (!file) return Say("error cannot read " + rest.substr(space + 1));
    const std::vector<uint8_t> ticket((std::istreambuf_iterator<char>(file)),
                                      std::istreambuf_iterator<char>());
    SendMessage(app::kPrinterChannel, app::EncodePrintCall(device, ticket), "print");
  } else if (command == "raw") {
    // No HEX: the empty message.
    const size_t space = rest.find(' ');
    std::vector<uint8_t> bytes;
    const std::string hex = space == std::string::npos ? "" : rest.substr(space + 1);
    if (rest.empty() || !app::ParseHex(hex, &bytes)) return Say("error usage: raw CHANNEL [HEX]");
    SendMessage(rest.substr(0, space), bytes, "raw");
  } else if (command == "wait") {
    waiting_until_ = Deadline();
  } else if (command == "quit") {
    Quit();
  } else {
    Say("error unknown command " + command +
        " (list, settings, print DEVICE FILE, call METHOD [ARGUMENTS], raw CHANNEL [HEX], wait, "
        "quit)");
  }
}

void Driver::SendMessage(const std::string& channel, const std::vector<uint8_t>& bytes,
                         const std::string& what) {
  driver_link::ChannelMessage message;
  message.id = next_id_++;
  message.channel = channel;
  message.bytes = bytes;
  std::vector<uint8_t> body;
  if (!driver_link::EncodeMessageBody(message, &body)) return Say("error channel name too long");
  if (!connection_->Send(driver_link::kMessageFrame, body)) return Say("error the host is gone");
  outstanding_[message.id] = what;
  Say("sent " + std::to_string(message.id) + " " + what);
}

void Driver::Quit() {
  phase_ = Phase::kQuitting;
  quit_deadline_ = Deadline();
  if (!closed_) connection_->Send(driver_link::kQuitFrame, {});
}

}  // namespace
}  // namespace driver

int main(int argc, char** argv) {
  driver::Options options;
  if (!driver::ParseOptions(argc, argv, &options) ||
      (options.program.empty() && options.port == 0)) {
    std::fprintf(stderr,
                 "usage: %s [--port P] [--timeout S] [--wine-run RUNNER] [--env NAME=VALUE]... "
                 "[PROGRAM.EXE [ARGUMENTS...]]\n(without PROGRAM.EXE, --port is needed)\n",
                 argv[0]);
    return driver::kDriverFailed;
  }
  std::string error;
  std::unique_ptr<driver::Connection> connection = driver::Connection::Listen(options.port, &error);
  if (!connection) {
    std::fprintf(stderr, "cannot listen: %s\n", error.c_str());
    return driver::kDriverFailed;
  }
  driver::Driver session(std::move(options), std::move(connection));
  return session.Run();
}
