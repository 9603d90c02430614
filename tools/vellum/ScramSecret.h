// The secret PostgreSQL keeps for a password under SCRAM-SHA-256, made on
// the administrator's side so that the statement creating a role never
// carries the password itself (a server that logs statements would keep
// it). A role created with such a secret logs in with the password.
#pragma once

#include <string>

// "SCRAM-SHA-256$4096:SALT$STOREDKEY:SERVERKEY", with a fresh random salt;
// empty when the system cannot give random bytes.
std::string ScramSha256Secret(const std::string& password);
