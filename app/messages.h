#pragma once

#include <string>

void PrintUsage();
void PrintProgress(const std::string& input, const std::string& output);
// What completes a progress line: the BMP was written, or why none was.
void PrintOk();
void PrintNoPreview();
void PrintDamagedPreview();
// Tells, once, that some of the progress text could not be written to stdout.
void ReportOutputError(int cause);
// Prints the closing prompt and waits for a key, when there is a keyboard to press one.
void ShowClosingPrompt();
