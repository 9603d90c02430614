// The whole content of a file as bytes, for tests that check exactly what the
// module wrote; empty when the file cannot be read.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
