// testSupport.h -- small helpers shared by the tests: temporary folders, whole-file I/O,
// environment overrides, shell commands, child processes, an unprivileged step, and a scripted message-box handler.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "platform/s_platform.h"

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "setup-test-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline void WriteWholeFile(const std::string& path, const std::string& content, mode_t mode) {
    WriteWholeFile(path, content);
    chmod(path.c_str(), mode);
}

// The lines of a text file written with CR LF line ends; text after the last CR LF is dropped.
inline std::vector<std::string> CrLfLines(const std::string& path) {
    std::string text = ReadWholeFile(path);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

inline bool PathExists(const std::string& path) { return std::filesystem::exists(path); }

inline long FileSize(const std::string& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    return error ? -1 : long(size);
}

// True when the text is well-formed UTF-8 (lead and continuation bytes; overlong forms pass).
inline bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = uint8_t(text[i]);
        const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x06 ? 2 : (lead >> 4) == 0x0E ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if ((uint8_t(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

// Sets (or, with null, unsets) an environment variable for the length of a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* variable, const char* value) : name(variable) {
        const char* old = std::getenv(variable);
        hadValue = old != nullptr;
        if (old)
            oldValue = old;
        if (value)
            setenv(variable, value, 1);
        else
            unsetenv(variable);
    }
    ScopedEnv(const char* variable, const std::string& value) : ScopedEnv(variable, value.c_str()) {}
    ~ScopedEnv() {
        if (hadValue)
            setenv(name.c_str(), oldValue.c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name;
    std::string oldValue;
    bool hadValue = false;
};

struct CommandResult {
    int status;
    std::string output;
};

// Runs a shell command; its exit status and everything it wrote to stdout and stderr.
inline CommandResult RunCommand(const std::string& command) {
    CommandResult result{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    char chunk[256];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), pipe)) > 0)
        result.output.append(chunk, got);
    result.status = pclose(pipe);
    return result;
}

// The text as one word of a shell command line.
inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Waits until the file exists, for at most the given time; the tests use it for programs running
// on their own.
inline bool WaitForFile(const std::string& path, int timeoutMs = 10000) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (PathExists(path))
            return true;
        usleep(10000);
    }
    return PathExists(path);
}

// A program run with its stdout and stderr caught in pipes.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv) {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            std::vector<char*> args;
            for (const std::string& arg : argv)
                args.push_back(const_cast<char*>(arg.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        stdoutFd = out[0];
        stderrFd = err[0];
    }
    ~ChildProcess() {
        if (pid > 0 && !ended) {
            kill(pid, SIGKILL);
            Wait();
        }
        close(stdoutFd);
        close(stderrFd);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line on stdout, or "" when none comes within the time.
    std::string ReadLine(int timeoutMs = 10000) {
        std::string line;
        char c;
        while (true) {
            pollfd ready{stdoutFd, POLLIN, 0};
            if (poll(&ready, 1, timeoutMs) <= 0 || read(stdoutFd, &c, 1) != 1 || c == '\n')
                return line;
            line += c;
        }
    }

    // Everything the program wrote to stderr until it closed it.
    std::string ReadStderr() {
        std::string text;
        char chunk[256];
        ssize_t got;
        while ((got = read(stderrFd, chunk, sizeof(chunk))) > 0)
            text.append(chunk, size_t(got));
        return text;
    }

    bool IsRunning() {
        if (ended)
            return false;
        pid_t result = waitpid(pid, &status, WNOHANG);
        ended = result == pid;
        return result == 0;
    }

    void Kill(int signal) { kill(pid, signal); }

    // The wait status of the ended program.
    int Wait() {
        while (!ended && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ended = true;
        return status;
    }

    pid_t Pid() const { return pid; }

private:
    pid_t pid = -1;
    int stdoutFd = -1;
    int stderrFd = -1;
    int status = 0;
    bool ended = false;
};

// Runs `step` in a child process as the unprivileged user nobody -- root passes every permission
// check, so a refusal can only be seen that way -- and returns the child's exit status: the step's
// result, 100 when the privileges could not be dropped, -1 when the child did not exit normally.
template <class Step>
int RunAsNobody(Step step) {
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                               setresuid(65534, 65534, 65534) != 0))
            _exit(100);
        _exit(step());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Replaces the message-box handler for its lifetime: records every box as "caption|text" and
// answers questions from a script (No once the script is used up).
class ScriptedMessageBoxes {
public:
    ScriptedMessageBoxes() : previous(Platform::SetMessageBoxHandler(Record)) { current = this; }
    ~ScriptedMessageBoxes() {
        Platform::SetMessageBoxHandler(previous);
        current = nullptr;
    }
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    std::vector<std::string> shown;
    std::deque<Platform::BoxAnswer> answers;

private:
    static Platform::BoxAnswer Record(const char* text, const char* caption, Platform::BoxButtons buttons) {
        current->shown.push_back(std::string(caption) + "|" + text);
        if (buttons == Platform::BoxButtons::Ok)
            return Platform::BoxAnswer::Ok;
        if (current->answers.empty())
            return Platform::BoxAnswer::No;
        Platform::BoxAnswer answer = current->answers.front();
        current->answers.pop_front();
        return answer;
    }

    static inline ScriptedMessageBoxes* current = nullptr;
    Platform::MessageBoxHandler previous;
};
