// What the program leaves when it dies: a minidump in %LOCALAPPDATA%\Quenbrel\crashes (the newest
// few kept, outside/log_place.h) and one English line on standard error: what happened, where, the
// stack as module+offset frames (innermost first, at most 32) and the dump's path. Then the
// process ends, without the system's crash dialog.
//
// Covers an exception that nothing handles, on any thread (the top-level exception filter, which
// lets the runtime's own filter go first: a C++ exception that nothing catches goes on to
// std::terminate); std::terminate; abort (SIGABRT); and the C runtime's handlers for a pure
// virtual call and an invalid parameter, where the runtime calls them (the universal C runtime
// does; with MinGW a pure virtual call ends in std::terminate, and msvcrt reports no invalid
// parameters). A library with a C++ runtime of its own reaches these only through abort, or as an
// exception that nothing handles.
//
// The handlers run in a broken process: they allocate nothing of their own, write the evidence
// once (a second crash on another thread waits for the first, bounded; one inside the handler ends
// the process at once), and take no lock of the runtime.
#ifndef QUENBREL_HOST_CRASH_HANDLER_H_
#define QUENBREL_HOST_CRASH_HANDLER_H_

// Installs the handlers for the whole process and makes room for a new dump among the kept ones.
// Thread: the start-up thread, first thing.
void InstallCrashHandlers();

#endif  // QUENBREL_HOST_CRASH_HANDLER_H_
