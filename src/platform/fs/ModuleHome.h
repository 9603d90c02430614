// Where the module keeps its files: the host executable's folder (or
// VELLUM_HOME), and the system's temporary folder.
#pragma once

#include <string>

namespace vellum::fs {

// The module's home folder, always ending in "/": VELLUM_HOME when set and
// not empty, else the folder of the running executable. Read on every call,
// so tests can point it at a temporary folder.
std::string ModuleHome();

// The system's temporary folder, ending in "/": TMPDIR when set, else "/tmp/".
std::string TempFolder();

// Creates a folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// True when the path names an existing regular file.
bool FileExists(const std::string& path);

} // namespace vellum::fs
