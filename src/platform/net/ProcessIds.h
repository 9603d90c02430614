// Identifiers the HTTP client writes into its temporary file names and trace
// lines: the current process's and the calling thread's.
#pragma once

#include <cstdint>

namespace vellum::net {

uint32_t CurrentProcessId();
uint32_t CurrentThreadId();

} // namespace vellum::net
