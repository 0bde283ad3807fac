// Preloaded into a program under test (LD_PRELOAD) to end it with a real SIGKILL at one chosen
// file-system step below a folder: halfway through a write, after a write, or just before a
// link or rename. A timer could only land near a write; this lands inside one, for every kind
// of file the program writes.
//
//   Q7_KILL_UNDER   the folder whose files count (nothing else is touched)
//   Q7_KILL_MATCH   only steps on a path holding one of these '|'-separated texts count
//   Q7_KILL_AT      the counted step to be killed at, from 1; 0 or unset: count only
//   Q7_KILL_TRACE   file that gets a line for every counted step, as it happens
//   Q7_KILL_REPORT  file that gets the number of steps seen at a normal exit, or at the kill
//                   the step and the file it was on
//
// Only async-signal-safe calls past the start: the steps happen inside Qt's file code.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct Settings
{
    char under[4096] = {};
    std::size_t underLength = 0;
    long killAt = 0;
    char report[4096] = {};
    char trace[4096] = {};
    char match[4096] = {};
    bool active = false;
};

Settings& settings()
{
    static Settings s = [] {
        Settings made;
        const char* under = std::getenv("Q7_KILL_UNDER");
        if (!under || !*under || std::strlen(under) >= sizeof made.under)
            return made;
        std::strcpy(made.under, under);
        made.underLength = std::strlen(under);
        if (const char* at = std::getenv("Q7_KILL_AT"))
            made.killAt = std::strtol(at, nullptr, 10);
        if (const char* report = std::getenv("Q7_KILL_REPORT");
            report && std::strlen(report) < sizeof made.report)
            std::strcpy(made.report, report);
        if (const char* trace = std::getenv("Q7_KILL_TRACE"); trace && std::strlen(trace) < sizeof made.trace)
            std::strcpy(made.trace, trace);
        if (const char* match = std::getenv("Q7_KILL_MATCH"); match && std::strlen(match) < sizeof made.match)
            std::strcpy(made.match, match);
        made.active = true;
        return made;
    }();
    return s;
}

long g_steps = 0;

bool below(const char* path)
{
    const Settings& s = settings();
    return s.active && path && std::strncmp(path, s.under, s.underLength) == 0 &&
           (path[s.underLength] == '/' || path[s.underLength] == '\0');
}

// The path an open descriptor of a regular file refers to; false for anything else.
bool fdPath(int fd, char* path, std::size_t size)
{
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, size - 1);
    if (n <= 0)
        return false;
    path[n] = '\0';
    return true;
}

// Straight to the kernel: the library's own write is the one being watched.
void writeTo(const char* file, int mode, const char* text)
{
    if (!*file)
        return;
    const int fd = int(syscall(SYS_openat, AT_FDCWD, file, O_WRONLY | O_CREAT | O_CLOEXEC | mode, 0644));
    if (fd < 0)
        return;
    syscall(SYS_write, fd, text, std::strlen(text));
    syscall(SYS_close, fd);
}

bool counted(const char* path)
{
    const char* match = settings().match;
    if (!*match)
        return true;
    for (const char* part = match;;) {
        const char* end = std::strchr(part, '|');
        const std::size_t length = end ? std::size_t(end - part) : std::strlen(part);
        char text[sizeof Settings::match];
        std::memcpy(text, part, length);
        text[length] = '\0';
        if (length > 0 && std::strstr(path, text))
            return true;
        if (!end)
            return false;
        part = end + 1;
    }
}

// The number the next counted step on path would get, or 0 when path does not count.
long nextStep(const char* path)
{
    return counted(path) ? g_steps + 1 : 0;
}

// Counts one step; at the chosen one the process dies here, with nothing flushed or closed.
void step(const char* what, const char* path)
{
    if (!counted(path))
        return;
    ++g_steps;
    char text[8400];
    std::snprintf(text, sizeof text, "%ld\t%s\t%s\n", g_steps, what, path);
    writeTo(settings().trace, O_APPEND, text);
    if (g_steps != settings().killAt)
        return;
    writeTo(settings().report, O_TRUNC, text);
    kill(getpid(), SIGKILL);
}

template <typename F> F real(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

struct CountAtExit
{
    ~CountAtExit()
    {
        if (!settings().active)
            return;
        char text[64];
        std::snprintf(text, sizeof text, "steps %ld\n", g_steps);
        writeTo(settings().report, O_TRUNC, text);
    }
} g_countAtExit;

} // namespace

extern "C" {

ssize_t write(int fd, const void* buffer, size_t count)
{
    static const auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
    char path[4096];
    if (!settings().active || fd <= 2 || !fdPath(fd, path, sizeof path) || !below(path))
        return next(fd, buffer, count);
    if (count > 1) {
        // Half of the bytes reach the file before the end comes.
        if (settings().killAt > 0 && nextStep(path) == settings().killAt)
            next(fd, buffer, count / 2);
        step("halfway through writing", path);
    }
    const ssize_t written = next(fd, buffer, count);
    step("after writing", path);
    return written;
}

int link(const char* from, const char* to) noexcept
{
    static const auto next = real<int (*)(const char*, const char*)>("link");
    if (below(to))
        step("before linking", to);
    return next(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) noexcept
{
    static const auto next = real<int (*)(int, const char*, int, const char*, int)>("linkat");
    if (below(to))
        step("before linking", to);
    return next(fromDir, from, toDir, to, flags);
}

int rename(const char* from, const char* to) noexcept
{
    static const auto next = real<int (*)(const char*, const char*)>("rename");
    if (below(to))
        step("before renaming", to);
    return next(from, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept
{
    static const auto next = real<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
    if (below(to))
        step("before renaming", to);
    return next(fromDir, from, toDir, to, flags);
}

} // extern "C"
