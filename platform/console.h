#pragma once

#include <string>
#include <string_view>
#include <vector>

// Console set-up for the run: every message must reach the terminal at once, and each error
// message begins with the program's name.
bool ConsoleInitialize(std::string_view programName);
// That name; "pictavex" before ConsoleInitialize.
std::string_view ProgramName();

// Whether an argument is the system's own way to ask a program for help, answered in the
// system's own form: "/?", "-?", "/H" and "/help" on Windows; none elsewhere, where "/?" is a
// pattern like any other.
bool IsSystemHelpRequest(std::string_view argument);

// The arguments after the program's name, as UTF-8 where the system says otherwise.
std::vector<std::string> CommandLineArguments(int argc, char* argv[]);

// Each message is written whole and at once, without waiting for a line feed. Where stdout
// and stderr are one terminal, an error first ends the line that stdout left open, and the
// next text on stdout then drops its leading line feed.
void ConsoleOut(std::string_view text);
void ConsoleError(std::string_view text);
// Ends the line that stdout left open, if any: text always ends with a line feed.
void ConsoleEndLine();

// Console text held back, in the order it was written, until it may be shown: a drawing done
// by a worker is told only when every drawing before it has been.
class ConsoleRecording {
public:
    void Add(bool toError, std::string_view text);
    // Writes the text out as ConsoleOut and ConsoleError would have.
    void Replay() const;

private:
    struct Part {
        bool toError;
        std::string text;
    };
    std::vector<Part> m_parts;
};

// While it lives, this thread's ConsoleOut and ConsoleError go to the recording instead.
class ConsoleCapture {
public:
    explicit ConsoleCapture(ConsoleRecording& recording);
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;
    ~ConsoleCapture();

private:
    ConsoleRecording* m_previous;
};

// Whether the console was opened for this run alone, so that it closes when the run ends (a
// drawing dropped on the program, a launcher, a terminal emulator's -e): someone must be
// given the time to read it. Never in a script or at a shell's prompt.
bool ConsoleOwnedByRun();

// The errno value of the first write to stdout that failed (a closed pipe aside), or 0: the
// run goes on regardless, and says so at its end.
int ConsoleOutputError();

// Waits for one key press, without echo and without Enter, when stdin is a terminal;
// otherwise returns at once, since there is nobody to press a key.
void ConsoleWaitForKey();
