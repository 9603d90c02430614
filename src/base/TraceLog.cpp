// The trace log is one file handle behind a mutex, opened by the first write
// so that loading the module touches no file.
#include "base/TraceLog.h"

#include "base/TextHelpers.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <mutex>

namespace {

struct TraceFile
{
    std::mutex mutex;
    FILE* file = nullptr;

    ~TraceFile()
    {
        if (file)
            std::fclose(file);
    }
};

TraceFile& Trace()
{
    static TraceFile trace;
    return trace;
}

} // namespace

bool WriteTrace(std::string_view text)
{
    TraceFile& trace = Trace();
    std::lock_guard lock(trace.mutex);
    if (!trace.file) {
        // Append mode: created when missing, never truncated, every write at
        // the end even when another process writes the same file.
        std::string path = vellum::text::ToUtf8(GetModuleDir() + "trace.log");
        trace.file = std::fopen(path.c_str(), "ab");
        if (!trace.file)
            return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), trace.file) == text.size();
    return std::fflush(trace.file) == 0 && written;
}

void CloseTrace()
{
    TraceFile& trace = Trace();
    std::lock_guard lock(trace.mutex);
    if (trace.file)
        std::fclose(trace.file);
    trace.file = nullptr;
}
