// The log file the program keeps when its log lines would otherwise go nowhere.
// Thread: the start-up thread, before any other output. Never fails and never waits: without its
// file the program simply writes nowhere, as before.
#ifndef QUENBREL_HOST_LOG_FILE_H_
#define QUENBREL_HOST_LOG_FILE_H_

// Points standard error and standard output, where they lead nowhere, at the log file
// (host/log_place.h), appended; turns a log over 1 MiB into the old log first. Lines are written
// as they come, unchanged.
void KeepLogFile();

#endif  // QUENBREL_HOST_LOG_FILE_H_
