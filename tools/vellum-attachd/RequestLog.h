// The server's log: one line per answered request on stderr. Everything a
// client chose (its request target, its file name) goes through
// EscapedForLog first, so no client can end a line or write a line of its
// own into the log.
#pragma once

#include <string>
#include <string_view>

// `text` with control characters, DEL and backslashes written as \xHH.
std::string EscapedForLog(std::string_view text);

// Writes "vellum-attachd: ADDRESS METHOD PATH STATUS FILENAME" in one
// write, so lines of different threads never interleave.
void LogRequest(const std::string& address, std::string_view method, std::string_view path,
                unsigned status, std::string_view fileName);
