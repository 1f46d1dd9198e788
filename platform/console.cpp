#include "platform/console.h"

#include <cerrno>

#include "platform/console_stream.h"

namespace {

// The first failure to write to stdout, other than a reader that went away.
int g_outputError = 0;
// Whether stdout's last text left a line open, and whether an error has since closed it, so
// that the next line need not start with a line feed of its own.
bool g_lineOpen = false;
bool g_lineClosedForError = false;

thread_local ConsoleRecording* t_recording = nullptr;
std::string_view g_programName = "pictavex";

}  // namespace

void SetProgramName(std::string_view programName) {
    g_programName = programName;
}

std::string_view ProgramName() {
    return g_programName;
}

void ConsoleRecording::Add(bool toError, std::string_view text) {
    if (!m_parts.empty() && m_parts.back().toError == toError) {
        m_parts.back().text += text;  // the line-feed rules see the same text either way
    } else {
        m_parts.push_back({toError, std::string(text)});
    }
}

void ConsoleRecording::Replay() const {
    for (const Part& part : m_parts) {
        if (part.toError) {
            ConsoleError(part.text);
        } else {
            ConsoleOut(part.text);
        }
    }
}

ConsoleCapture::ConsoleCapture(ConsoleRecording& recording) : m_previous(t_recording) {
    t_recording = &recording;
}

ConsoleCapture::~ConsoleCapture() {
    t_recording = m_previous;
}

void ConsoleOut(std::string_view text) {
    if (t_recording != nullptr) {
        t_recording->Add(false, text);
        return;
    }
    if (g_lineClosedForError && text.starts_with('\n')) {
        text.remove_prefix(1);
    }
    g_lineClosedForError = false;
    if (text.empty()) {
        return;
    }
    g_lineOpen = text.back() != '\n';
    const int error = WriteToStream(Stream::kOut, text);
    if (error != 0 && error != EPIPE && g_outputError == 0) {
        g_outputError = error;
    }
}

void ConsoleError(std::string_view text) {
    if (t_recording != nullptr) {
        t_recording->Add(true, text);
        return;
    }
    if (g_lineOpen && StreamsShareTerminal()) {
        (void)WriteToStream(Stream::kOut, "\n");
        g_lineOpen = false;
        g_lineClosedForError = true;
    }
    (void)WriteToStream(Stream::kError, text);
}

void ConsoleEndLine() {
    if (g_lineOpen) {
        ConsoleOut("\n");
    }
}

int ConsoleOutputError() {
    return g_outputError;
}
