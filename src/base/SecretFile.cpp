#include "base/SecretFile.h"

#include <fstream>
#include <sys/stat.h>

std::optional<std::string> ReadSecretFile(const std::string& path, std::string& why)
{
    struct stat status
    {
    };
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        why = "cannot read \"" + path + "\"";
        return std::nullopt;
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        why = "\"" + path + "\" may be read by others; make it its owner's alone (chmod 600)";
        return std::nullopt;
    }
    std::ifstream file(path);
    std::string line;
    if (!std::getline(file, line)) {
        why = "\"" + path + "\" is empty";
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}
