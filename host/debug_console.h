// A console of its own for a process started under a debugger without one.
// Thread: the start-up thread, before any other output. Never reports failure: without a console
// the process simply writes nowhere.
#ifndef QUENBREL_HOST_DEBUG_CONSOLE_H_
#define QUENBREL_HOST_DEBUG_CONSOLE_H_

// Gives the process a new console and points standard output and standard error at it.
void OpenDebugConsole();

#endif  // QUENBREL_HOST_DEBUG_CONSOLE_H_
