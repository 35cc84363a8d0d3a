// The host program started under Wine by the driver: its own process group, standard input from
// /dev/null, standard output and error onto the driver's standard error.
// Owner: the driver's main loop. One thread. The destructor kills a host that still runs.
#ifndef QUENBREL_STANDINS_DRIVER_HOST_PROCESS_H_
#define QUENBREL_STANDINS_DRIVER_HOST_PROCESS_H_

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace driver {

class HostProcess {
 public:
  // Runs |command| (the Wine runner, the program, its arguments) with |environment| added to the
  // driver's own. Null, with the reason in |error|, when it cannot start.
  static std::unique_ptr<HostProcess> Start(
      const std::vector<std::string>& command,
      const std::vector<std::pair<std::string, std::string>>& environment, std::string* error);
  ~HostProcess();

  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  // The exit code once the process has ended (128 + N for a signal), without waiting.
  std::optional<int> Poll();
  // Waits at most |seconds| for the end; the exit code, or none on time-out.
  std::optional<int> Wait(double seconds);
  // Ends the process group at once.
  void Kill();

 private:
  explicit HostProcess(pid_t pid) : pid_(pid) {}

  pid_t pid_;
  std::optional<int> exit_code_;
};

}  // namespace driver

#endif  // QUENBREL_STANDINS_DRIVER_HOST_PROCESS_H_
