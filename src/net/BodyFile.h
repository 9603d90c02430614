// One file read from disk as (part of) a request body. Its length is taken
// when it is opened, and it must still have exactly that length when the
// last byte has been read: a file that grows or shrinks while it goes out
// would otherwise reach the server cut, padded or spliced, and be taken for
// the file the person chose.
#pragma once

#include "net/BodySource.h"

#include <cstdio>

class BodyFile : public BodySource
{
public:
    // `path` in the host code page. An unreadable file has length -1.
    explicit BodyFile(const std::string& path);
    ~BodyFile() override;
    BodyFile(const BodyFile&) = delete;
    BodyFile& operator=(const BodyFile&) = delete;

    bool IsOpen() const { return m_file != nullptr; }

    int64_t Length() const override { return m_length; }
    int64_t ReadNext(char* buffer, size_t size) override;
    std::string FailureText() const override { return m_failure; }

private:
    void Fail(const char* utf8Reason);

    std::string m_path;
    std::FILE* m_file = nullptr;
    int64_t m_length = -1;
    int64_t m_read = 0;
    bool m_endChecked = false;
    std::string m_failure;
};
