// The console the program writes its log lines to, if any.
// Thread: the start-up thread, before any other output. Never reports failure: without a console
// the process simply writes nowhere.
#ifndef QUENBREL_HOST_CONSOLE_H_
#define QUENBREL_HOST_CONSOLE_H_

#include <cstdio>

// Whether `stream` leads somewhere: a GUI program's streams lead nowhere unless the parent passed
// handles for them.
bool Connected(FILE* stream);

// Hands `stream` the descriptor `descriptor`, which now leads where the stream should go.
// msvcrt.dll (MinGW's C runtime, and Wine's) gives a standard stream that had no handle at start-up
// the descriptor -2 and will not reopen such a stream; its FILE is public there. False where FILE
// is opaque (the universal C runtime): the stream keeps its own descriptor and must be reopened.
bool AdoptDescriptor(FILE* stream, int descriptor);

// After the process attached to its parent's console: points standard error, and standard output,
// at that console where the parent passed no stream of its own, each line written as it is
// flushed. A stream already connected (to a file or a pipe, say) is left as it is.
void UseParentConsole();

// Gives the process a new console and points standard output and standard error at it.
void OpenDebugConsole();

#endif  // QUENBREL_HOST_CONSOLE_H_
