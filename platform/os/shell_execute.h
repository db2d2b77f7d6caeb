#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Starting programs and documents for scripts.
namespace tamlo::shell {

// The mask bit that asks to wait for the started process.
constexpr uint32_t kWaitForExit = 0x40;
// How long a waiting call waits before it gives up (the process keeps running).
constexpr int kWaitMilliseconds = 5000;

struct ExecuteResult {
    bool started = false;  // something was started
    bool ended = false;    // waited for and ended in time; `exitCode` is valid
    int exitCode = 0;      // the exit status, or 128 + signal for a process killed by a signal
};

// Splits a parameter text into words as a POSIX shell does, without any expansion:
// blanks separate, '…' keeps everything, "…" keeps everything but \" \\ \$ \` escapes,
// and outside quotes a backslash keeps the next character. An unclosed quote runs to the end.
std::vector<std::string> splitParameters(const std::string& parameters);

// A regular executable file `file` names: the path itself when it holds '/', else the
// first match on $PATH. Empty when there is none.
std::string findExecutable(const std::string& file);

// Runs `file`: an executable directly with the split parameters, anything else (documents,
// folders, URLs) through xdg-open. A local path (or "file:" URL) that does not exist
// starts nothing. With kWaitForExit in `mask` waits up to
// kWaitMilliseconds. The child inherits nothing of ours but the standard output and error
// (its input is empty), and every child is collected, whether or not it was waited for.
ExecuteResult shellExecute(const std::string& file, const std::string& parameters,
                           const std::string& verb, uint32_t mask);

struct CommandStatus {
    bool started = false;
    int exitCode = 0;  // as ExecuteResult::exitCode
};
// Runs argv (argv[0] searched on $PATH when it holds no '/') the same way and waits for
// it to end, without a time limit.
CommandStatus runAndWait(const std::vector<std::string>& argv);

}  // namespace tamlo::shell
