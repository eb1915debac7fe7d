// p_process.cpp -- process identity, clocks and path mapping on Linux.
//
// The command line is rebuilt from /proc/self/cmdline with the program made absolute through
// /proc/self/exe, so the application folder never depends on how the program was started.
#include <ctime>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "platform/s_platform.h"

namespace Platform {

namespace {

std::string ReadExecutablePath() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    return length > 0 ? std::string(buffer, size_t(length)) : std::string();
}

std::string ReadArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t firstEnd = raw.find('\0');
    if (firstEnd == std::string::npos)
        return std::string();
    std::string arguments = raw.substr(firstEnd + 1);
    while (!arguments.empty() && arguments.back() == '\0')
        arguments.pop_back();
    for (char& c : arguments) {
        if (c == '\0')
            c = ' ';
    }
    return arguments;
}

}  // namespace

int32_t TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return int32_t(uint32_t(ms));
}

const std::string& ExecutablePath() {
    static const std::string path = ReadExecutablePath();
    return path;
}

const std::string& CommandLineArguments() {
    static const std::string arguments = ReadArguments();
    return arguments;
}

std::string CommandLine() {
    const std::string& arguments = CommandLineArguments();
    return arguments.empty() ? ExecutablePath() : ExecutablePath() + ' ' + arguments;
}

std::tm LocalTimeNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

TimeZoneData GetTimeZoneData() {
    tzset();
    return TimeZoneData{timezone, tzname[0], daylight ? 1 : 0, tzname[1]};
}

void SleepMs(unsigned milliseconds) {
    timespec pause{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0) {
    }
}

std::string NativePath(const char* path) {
    std::string native = path ? path : "";
    for (char& c : native) {
        if (c == '\\')
            c = kPathSeparator;
    }
    return native;
}

}  // namespace Platform
