#pragma once
// What the console text needs of each system: for platform/ alone.

#include <string_view>

enum class Stream { kOut, kError };

// Writes all of the text; 0, or the errno value of the failure.
int WriteToStream(Stream stream, std::string_view text);
// Whether stdout and stderr show on one terminal, where an error must not split a line.
bool StreamsShareTerminal();
// Sets the name that messages begin with.
void SetProgramName(std::string_view programName);
