// The log file the program keeps when its log lines would otherwise go nowhere
// (outside/log_place.h). Every copy of the program appends to the same file: it is opened for
// appending only, so that each write lands at its end, and each log line (flutter::LogLine) is one
// write, made under a lock on the file that the copies share, so that lines never overwrite or cut
// into each other. No handle to it is inherited by a child process.
// Thread: the start-up thread, which runs the message loop; log lines come from any thread. Never
// fails and never waits long: without its file the program simply writes nowhere, as before.
#ifndef QUENBREL_HOST_LOG_FILE_H_
#define QUENBREL_HOST_LOG_FILE_H_

// Points standard error and standard output, where they lead nowhere, at the log, appended, lines
// written as they come, and checks the log (CheckLogFile) now and then every few seconds from this
// thread's message loop (a thread timer).
void KeepLogFile();

// Turns a log over 1 MiB into the old log, replacing the one before, and goes on in a new log; a
// turnover that another program prevents (one holding the file without sharing its deletion) is
// logged once and tried again at the next check. Follows the log when another copy turned it over.
void CheckLogFile();

#endif  // QUENBREL_HOST_LOG_FILE_H_
