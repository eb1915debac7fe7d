// p_launch.cpp -- starting another program, the way CreateProcess starts it on Windows.
//
// The program runs in a session and process group of its own (a new console and process group
// on Windows), so signals meant for the installer's group or terminal do not reach it; it starts
// with default signal handling, stdin from /dev/null and no descriptor of the installer beyond
// stdout and stderr, so it holds none of the installer's files or locks. A failed start, such as
// a missing or non-executable program, is reported as a failure. A program started without
// waiting is reaped in the background, so none is left behind as a zombie.
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>

#include "platform/s_platform.h"

extern char** environ;

namespace Platform {

namespace {

class SpawnSettings {
public:
    SpawnSettings() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    // Returns 0 or the error number of the step that failed.
    int Prepare() {
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        int result = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                               POSIX_SPAWN_SETSIGDEF);
        if (result == 0)
            result = posix_spawnattr_setsigmask(&attributes, &none);
        if (result == 0)
            result = posix_spawnattr_setsigdefault(&attributes, &all);
        if (result == 0)
            result = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (result == 0)
            result = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
        return result;
    }

    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
};

bool WaitForEnd(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

void ReapInBackground(pid_t child) {
    try {
        std::thread([child] { WaitForEnd(child); }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the child stays a zombie until the installer ends, which is harmless.
    }
}

} // namespace

std::vector<std::string> SplitCommandLine(const char* commandLine) {
    std::vector<std::string> arguments;
    const std::string text = commandLine ? commandLine : "";
    size_t pos = 0;
    auto isBlank = [&](size_t at) { return text[at] == ' ' || text[at] == '\t'; };
    while (true) {
        while (pos < text.size() && isBlank(pos))
            ++pos;
        if (pos == text.size())
            return arguments;
        std::string argument;
        bool quoted = false;
        while (pos < text.size() && (quoted || !isBlank(pos))) {
            size_t backslashes = 0;
            while (pos < text.size() && text[pos] == '\\') {
                ++backslashes;
                ++pos;
            }
            if (pos < text.size() && text[pos] == '"') {
                // 2n backslashes and a quote: n backslashes, the quote groups; 2n+1: n and a quote.
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                } else if (quoted && pos + 1 < text.size() && text[pos + 1] == '"') {
                    argument += '"'; // "" inside quotes is a literal quote
                    ++pos;
                } else {
                    quoted = !quoted;
                }
                ++pos;
            } else {
                argument.append(backslashes, '\\');
                if (pos < text.size() && (quoted || !isBlank(pos)))
                    argument += text[pos++];
            }
        }
        arguments.push_back(argument);
    }
}

bool LaunchProcess(const char* path, const char* parameters, bool wait) {
    try {
        const std::string program = NativePath(path);
        if (program.empty()) {
            errno = EINVAL;
            return false;
        }
        std::vector<std::string> arguments = SplitCommandLine(parameters);
        arguments.insert(arguments.begin(), program);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(&argument[0]);
        argv.push_back(nullptr);

        SpawnSettings settings;
        int result = settings.Prepare();
        pid_t child = 0;
        if (result == 0)
            result = posix_spawn(&child, program.c_str(), &settings.actions, &settings.attributes,
                                 argv.data(), environ);
        if (result != 0) {
            errno = result;
            return false;
        }
        if (wait)
            return WaitForEnd(child);
        ReapInBackground(child);
        return true;
    } catch (const std::exception&) {
        errno = ENOMEM;
        return false;
    }
}

} // namespace Platform
