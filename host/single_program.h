// One program per Windows session: the first start holds a named mutex in the session's own
// namespace for as long as it runs; a later start in the same session finds it held and hands over
// to the running program instead of starting a second engine. Another session (another user logged
// on) has its own namespace, hence its own program.
// Owner: start-up, for the whole life of the process. Thread: the start-up thread. Never stops a
// start when the mutex cannot be made: the program then runs as if it were the first.
#ifndef QUENBREL_HOST_SINGLE_PROGRAM_H_
#define QUENBREL_HOST_SINGLE_PROGRAM_H_

#include <windows.h>

class SingleProgram {
 public:
  // Claims the session's place.
  SingleProgram();
  // Lets go of it (the system also does at the process's end).
  ~SingleProgram();
  SingleProgram(const SingleProgram&) = delete;
  SingleProgram& operator=(const SingleProgram&) = delete;

  // Whether a program started earlier in this session holds the place.
  bool AnotherRuns() const { return another_runs_; }

  // Brings the running program's window (of |window_class| and |title|) to the front, restored if
  // minimized. Nothing when it shows none: it is still starting, and shows itself, or ending.
  static void BringForward(const wchar_t* window_class, const wchar_t* title);

 private:
  HANDLE mutex_;
  bool another_runs_;
};

#endif  // QUENBREL_HOST_SINGLE_PROGRAM_H_
