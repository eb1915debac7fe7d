// test_support.h -- temporary folders, environment overrides and child processes for the tests.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// A fresh folder under /tmp, removed with everything in it at the end of the scope.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/setup-system-test-XXXXXX";
        path = mkdtemp(pattern) ? pattern : "";
    }
    ~TempFolder() {
        if (!path.empty())
            nftw(
                path.c_str(), [](const char* name, const struct stat*, int, FTW*) { return remove(name); },
                16, FTW_DEPTH | FTW_PHYS);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

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

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void WriteFile(const std::string& path, const std::string& content, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << content;
    chmod(path.c_str(), mode);
}

inline bool PathExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
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
