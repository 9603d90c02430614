// The terminal is asked twice, so a typing slip does not lock a user out
// with a password nobody knows; a script pipes the password in once.
#include "PasswordPrompt.h"

#include "base/SecretFile.h"

#include <cstdio>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace {

std::optional<std::string> ReadLine()
{
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// The terminal's echo is off while the line is typed and on again after.
std::optional<std::string> ReadHidden(const std::string& prompt)
{
    std::fprintf(stderr, "%s", prompt.c_str());
    std::fflush(stderr);
    termios saved{};
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::optional<std::string> line = ReadLine();
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
    return line;
}

} // namespace

std::optional<std::string> ReadNewPassword(const std::string& file, const std::string& user,
                                           std::string& why)
{
    std::optional<std::string> password;
    if (!file.empty()) {
        password = ReadSecretFile(file, why);
        if (!password)
            why = "--password-file: " + why;
    } else if (isatty(STDIN_FILENO)) {
        password = ReadHidden("password for " + user + ": ");
        std::optional<std::string> again = ReadHidden("the same password again: ");
        if (password && again != password) {
            why = "the two passwords differ";
            return std::nullopt;
        }
    } else {
        password = ReadLine();
    }
    if (password && password->empty()) {
        why = "the password is empty";
        return std::nullopt;
    }
    if (!password && why.empty())
        why = "no password was given";
    return password;
}
