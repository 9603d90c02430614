#include "support/OdbcDrivers.h"

#include <filesystem>

namespace vellum::testing {

std::string OdbcDriverPath(const std::string& library)
{
    for (const char* folder :
         {"/usr/lib/x86_64-linux-gnu/odbc/", "/usr/lib/aarch64-linux-gnu/odbc/", "/usr/lib/odbc/",
          "/usr/local/lib/"}) {
        std::string path = folder + library;
        if (std::filesystem::exists(path))
            return path;
    }
    return std::string();
}

std::string SqliteOdbcConnectString(const std::string& databasePath)
{
    return "Driver=" + OdbcDriverPath("libsqlite3odbc.so") + ";Database=" + databasePath;
}

} // namespace vellum::testing
