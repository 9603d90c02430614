// The one value of a one-row query, for the statements that ask the
// database a single question (a role, a setting, the newest key).
#pragma once

#include <optional>
#include <string>

class CDbSession;

// The first field of the first row; "" for no row or a NULL field; nothing,
// with the database's message in `error`, when the query fails.
std::optional<std::string> QueryValue(CDbSession& session, const std::string& query,
                                      std::string& error);
