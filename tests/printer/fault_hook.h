// Lets a test fail any single call of the fakes: every fallible call asks the hook first, which
// passes it on, fails it, lets a write take nothing, or throws; clean-up calls are only reported.
#ifndef QUENBREL_TESTS_PRINTER_FAULT_HOOK_H_
#define QUENBREL_TESTS_PRINTER_FAULT_HOOK_H_

#include <string>

class FaultHook {
 public:
  enum Hit { kPass, kFail, kTakeNothing };
  virtual ~FaultHook() = default;
  virtual Hit Step(const std::string& op) = 0;
  virtual void Note(const std::string& op) = 0;

  static Hit Ask(FaultHook* hook, const std::string& op) { return hook ? hook->Step(op) : kPass; }
  static void Tell(FaultHook* hook, const std::string& op) {
    if (hook) hook->Note(op);
  }
};

#endif  // QUENBREL_TESTS_PRINTER_FAULT_HOOK_H_
