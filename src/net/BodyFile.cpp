// The size is checked twice at the end: by reading past it (a file that
// grew has more bytes) and by a short read before it (one that shrank).
// Either way the request is stopped rather than finished with other bytes.
#include "net/BodyFile.h"

#include "platform/text/CodePage.h"

#include <algorithm>
#include <sys/stat.h>

BodyFile::BodyFile(const std::string& path) : m_path(path)
{
    m_file = std::fopen(vellum::text::ToUtf8(path).c_str(), "rb");
    struct stat status;
    if (!m_file || fstat(fileno(m_file), &status) != 0 || !S_ISREG(status.st_mode)) {
        if (m_file)
            std::fclose(m_file);
        m_file = nullptr;
        return;
    }
    m_length = status.st_size;
}

BodyFile::~BodyFile()
{
    if (m_file)
        std::fclose(m_file);
}

void BodyFile::Fail(const char* utf8Reason)
{
    m_failure = vellum::text::FromUtf8(utf8Reason) + m_path;
}

int64_t BodyFile::ReadNext(char* buffer, size_t size)
{
    if (!m_file) {
        Fail("无法读取文件: ");
        return -1;
    }
    int64_t left = m_length - m_read;
    size_t wanted = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(size)));
    size_t got = wanted ? std::fread(buffer, 1, wanted, m_file) : 0;
    if (got < wanted) {
        Fail(std::ferror(m_file) ? "读取文件时出错: " : "文件在上传过程中变小了, 没有上传: ");
        return -1;
    }
    m_read += static_cast<int64_t>(got);
    if (m_read == m_length && !m_endChecked) {
        m_endChecked = true;
        if (std::fgetc(m_file) != EOF) {
            Fail("文件在上传过程中变大了, 没有上传: ");
            return -1;
        }
    }
    return static_cast<int64_t>(got);
}
