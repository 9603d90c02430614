// The process-wide trace log: "trace.log" in the module's home folder. The
// database session and the HTTP client write to it while their trace switch
// is on; a failed attachment transfer writes its technical reason there
// while the person reads it in words.
#pragma once

#include <string_view>

// Appends `text` exactly as given (the caller supplies any line ending) and
// flushes it. The file is opened on the first write, created when missing and
// never truncated. Returns false when it cannot be opened; the next write
// tries again. Safe to call from any thread.
bool WriteTrace(std::string_view text);

// Closes the trace file, as unloading the module does. A later write opens it
// again, in the module home of that moment.
void CloseTrace();
