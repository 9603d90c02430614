// How the statement builders render values: texts as quoted literals with
// every "'" doubled (bytes otherwise untouched, in the host code page),
// integers as plain signed decimals.
#pragma once

#include <cstdint>
#include <string>

// A null text renders as the empty literal "''".
std::string SqlTextLiteral(const char* text);
std::string SqlIntLiteral(std::int32_t value);
