// The bridge's workers, counted process-wide from their start until they have let go of everything
// they held, so that the program can let them finish before it exits (printer/printer_work.h).
#ifndef QUENBREL_PRINTER_LIVE_WORKER_H_
#define QUENBREL_PRINTER_LIVE_WORKER_H_

#include <memory>

struct LiveWorkerTally;

// One live worker for as long as it exists; a copy counts once more. The bridge makes it the first
// member of what its worker thread runs, so that it goes last: after the task with its copies and
// maybe the last of the bridge's state. Threads: any.
class LiveWorker {
 public:
  LiveWorker();
  LiveWorker(const LiveWorker& other);
  LiveWorker& operator=(const LiveWorker&) = delete;
  ~LiveWorker();

 private:
  // Every worker holds the tally too, so that one still ending after the process's statics are
  // gone (past the wait's bound) never touches a destroyed one.
  std::shared_ptr<LiveWorkerTally> tally_;
};

#endif  // QUENBREL_PRINTER_LIVE_WORKER_H_
