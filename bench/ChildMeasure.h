// Measuring a piece of work in a child process of its own, so that its
// memory peak is the child's high-water mark (VmHWM) and nothing that ran
// before it in the benchmark counts. The child reports back through a pipe
// how long the work took and how far its resident memory rose above what it
// started with (the inherited pages, such as the input text, are not the
// work's own). Before it starts, the child gives its free heap back and
// resets its high-water mark, so memory the parent freed earlier neither
// hides a rise nor counts as one.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vellum::bench {

struct ChildFigures
{
    double milliseconds = -1;
    double peakMegabytes = -1; // VmHWM at the end less VmRSS at the start
    bool ok = false;
};

// A "VmRSS:" or "VmHWM:" line of /proc/self/status, in megabytes.
inline double StatusMegabytes(const char* field)
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    double megabytes = -1;
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, length) == 0)
            megabytes = std::atof(line + length) / 1024.0;
    std::fclose(status);
    return megabytes;
}

// Releases free heap pages and starts the high-water mark afresh (writing 5
// to clear_refs resets it).
inline void ResetPeak()
{
    malloc_trim(0);
    if (std::FILE* clear = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", clear);
        std::fclose(clear);
    }
}

// Runs `work` in a forked child and returns its figures. The child leaves
// with _exit, so nothing of the parent is torn down twice.
template <typename Work> ChildFigures MeasureInChild(Work&& work)
{
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        ChildFigures figures;
        ResetPeak();
        const double before = StatusMegabytes("VmRSS:");
        auto start = std::chrono::steady_clock::now();
        work();
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        figures.milliseconds = took.count();
        figures.peakMegabytes = StatusMegabytes("VmHWM:") - before;
        figures.ok = true;
        bool written = write(channel[1], &figures, sizeof figures) == sizeof figures;
        _exit(written ? 0 : 1);
    }
    close(channel[1]);
    ChildFigures figures;
    if (child < 0 || read(channel[0], &figures, sizeof figures) != sizeof figures)
        figures = {};
    close(channel[0]);
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    return figures;
}

} // namespace vellum::bench
