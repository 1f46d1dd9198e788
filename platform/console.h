#pragma once

#include <string_view>

inline constexpr std::string_view kProgramName = "pictavex";

// Console set-up for the run: every message must reach the terminal at once.
bool ConsoleInitialize();

// Each message is written whole and at once, without waiting for a line feed. Where stdout
// and stderr are one terminal, an error first ends the line that stdout left open, and the
// next text on stdout then drops its leading line feed.
void ConsoleOut(std::string_view text);
void ConsoleError(std::string_view text);

// Whether someone sits at a terminal to read stdout and press a key.
bool ConsoleIsInteractive();

// The errno value of the first write to stdout that failed (a closed pipe aside), or 0: the
// run goes on regardless, and says so at its end.
int ConsoleOutputError();

// Waits for one key press, without echo and without Enter, when stdin is a terminal;
// otherwise returns at once, since there is nobody to press a key.
void ConsoleWaitForKey();
