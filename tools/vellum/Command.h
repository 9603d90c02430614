// Subcommands of the `vellum` tool. Each lives in its own Command*.cpp file
// and registers itself with a static VellumCommand object, so adding a
// subcommand never touches the dispatcher.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CDbSession;

using CommandArgs = std::vector<std::string>;

// A subcommand: its name, a one-line summary for `vellum --help`, the full
// usage text for `vellum NAME --help`, and the function that runs it with the
// arguments after its name. The function returns the process exit code.
struct VellumCommand
{
    VellumCommand(std::string name, std::string summary, std::string usage,
                  std::function<int(const CommandArgs&)> run);
};

// Prints "vellum: MESSAGE" to stderr and returns 1, the exit code of every
// failure.
int CommandFailure(const std::string& message);

// Finds "--NAME VALUE" in the arguments, removes both and returns the value;
// returns false when the option is absent or has no value.
bool TakeOption(CommandArgs& args, const std::string& name, std::string& value);

// Finds the flag "--NAME" in the arguments and removes it.
bool TakeFlag(CommandArgs& args, const std::string& name);

// The text without the line break(s) it ends in: error texts may bring their
// own "\r\n", and the failure line brings one anyway.
std::string WithoutLineEnd(std::string text);

// Takes --connect and opens the session with it; false after reporting why
// (the command's name goes into the message).
bool OpenFromArgs(CommandArgs& args, CDbSession& session, const char* command);

// Takes the connection string: --connect CONNECTION, else the first line of
// --connect-file FILE (a file only its owner may read), else the variable
// VELLUM_CONNECT; false after reporting why.
bool TakeConnect(CommandArgs& args, std::string& connect, const char* command);

// Takes --wait SECONDS (default 0) and opens the session with `connect`,
// trying again meanwhile while the database cannot be reached; false after
// reporting why.
bool OpenSession(CommandArgs& args, CDbSession& session, const std::string& connect);

// The user a command acts for (`user` holds --user, or nothing): on a
// per-user database the session's role, which --user must name when given;
// on any other database --user is needed. False after reporting why.
bool ResolveUser(CDbSession& session, std::string& user, const char* command);

// The whole file as bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
