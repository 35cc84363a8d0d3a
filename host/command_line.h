// The process's command-line arguments as UTF-8, for the application's entry point.
// Thread: any. Never throws on bad input: text that is not valid UTF-16 becomes an empty string.
#ifndef QUENBREL_HOST_COMMAND_LINE_H_
#define QUENBREL_HOST_COMMAND_LINE_H_

#include <string>
#include <vector>

// The arguments of the process's command line, without the program name, in order.
std::vector<std::string> CommandLineToUtf8Arguments();

// The arguments of |command_line| (split as Windows splits a command line), without the first
// entry, the program name, in order. An entry that cannot be converted is kept as an empty string.
std::vector<std::string> CommandLineToUtf8Arguments(const wchar_t* command_line);

// |text| (NUL-terminated UTF-16) as UTF-8; empty when |text| is null, empty or not valid UTF-16.
std::string ArgumentToUtf8(const wchar_t* text);

#endif  // QUENBREL_HOST_COMMAND_LINE_H_
