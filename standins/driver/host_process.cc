#include "standins/driver/host_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace driver {

std::unique_ptr<HostProcess> HostProcess::Start(
    const std::vector<std::string>& command,
    const std::vector<std::pair<std::string, std::string>>& environment, std::string* error) {
  if (command.empty()) {
    *error = "no command";
    return nullptr;
  }
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) {
    *error = std::strerror(errno);
    return nullptr;
  }
  if (pid == 0) {
    setpgid(0, 0);
    const int null_input = open("/dev/null", O_RDONLY);
    if (null_input >= 0) dup2(null_input, 0);
    dup2(2, 1);
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  setpgid(pid, pid);
  return std::unique_ptr<HostProcess>(new HostProcess(pid));
}

HostProcess::~HostProcess() {
  if (!Poll()) {
    Kill();
    Wait(5);
  }
}

std::optional<int> HostProcess::Poll() {
  if (exit_code_) return exit_code_;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return exit_code_;
}

std::optional<int> HostProcess::Wait(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!Poll() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return exit_code_;
}

void HostProcess::Kill() {
  if (!exit_code_) kill(-pid_, SIGKILL);
}

}  // namespace driver
