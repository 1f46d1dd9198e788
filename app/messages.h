#pragma once

#include <string>

void PrintUsage();
void PrintProgress(const std::string& input, const std::string& output);
void PrintOk();
// Prints the closing prompt and waits for a key, when there is a keyboard to press one.
void ShowClosingPrompt();
