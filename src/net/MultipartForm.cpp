// The body is laid out twice through one append routine: a counting pass
// (no block: appending only adds sizes) and a filling pass into a block of
// exactly the counted size, in which a piece that no longer fits is left out
// whole. Files are read when the body is built, not when parts are added.
#include "net/MultipartForm.h"

#include "platform/fs/HeldOpenFiles.h"
#include "platform/text/CodePage.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

std::string WithoutQuotes(std::string text)
{
    std::erase(text, '"');
    std::erase(text, '\'');
    return text;
}

} // namespace

CMultipartForm::CMultipartForm() : m_boundary("#BOUNDARAY1234567890#")
{
}

CMultipartForm::~CMultipartForm()
{
    Clear();
}

int CMultipartForm::AddPart(const std::string& name, const std::string& value, int isFile)
{
    auto part = std::make_unique<CFormPart>();
    part->name = name;
    part->value = value;
    part->isFile = isFile;
    m_parts.push_back(std::move(part));
    return static_cast<int>(m_parts.size()) - 1;
}

void CMultipartForm::Clear()
{
    m_body.Free();
    m_capacity = 0;
    m_length = 0;
    m_parts.clear();
}

const char* CMultipartForm::GetBody()
{
    m_body.Free();
    m_capacity = 0;
    m_length = 0;
    Lay();
    if (m_length < 0 || m_length > INT_MAX) {
        m_length = 0;
        return nullptr;
    }
    int size = static_cast<int>(m_length);
    if (!m_body.Allocate(static_cast<size_t>(size))) {
        m_length = 0;
        return nullptr;
    }
    m_capacity = size;
    m_length = 0;
    Lay();
    return m_body.Data();
}

void CMultipartForm::Lay()
{
    const std::string separator = "--" + m_boundary + "\r\n";
    for (const auto& part : m_parts) {
        Append(separator);
        if (!part->isFile) {
            Append("Content-Disposition: form-data; name=\"" + part->name + "\"\r\n");
            Append("\r\n" + part->value + "\r\n");
            continue;
        }
        Append("Content-Disposition: form-data; name=\"" + part->name + "\"; filename=\"" +
               WithoutQuotes(part->value) + "\"\r\n");
        Append("Content-Type: application/octet-stream\r\n\r\n");
        LayFile(part->value);
        Append("\r\n");
    }
    Append("--" + m_boundary + "--\r\n");
}

// A file adds exactly its length: unread bytes count as zeros. The filling
// pass reads straight into the body block instead of a temporary block, so
// the upload never holds a second copy of the file in memory.
void CMultipartForm::LayFile(const std::string& path)
{
    std::string osPath = vellum::text::ToUtf8(path);
    if (vellum::fs::IsHeldOpenByThisProcess(osPath)) // closing it would drop our locks on it
        return;
    std::FILE* file = std::fopen(osPath.c_str(), "rb");
    if (!file)
        return;
    int64_t size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    std::rewind(file);
    if (size > 0 && !m_body.Data()) {
        m_length += size;
    } else if (size > 0 && m_length + size <= m_capacity) {
        char* target = m_body.Data() + m_length;
        size_t read = std::fread(target, 1, static_cast<size_t>(size), file);
        std::memset(target + read, 0, static_cast<size_t>(size) - read);
        m_length += size;
    }
    std::fclose(file);
}

void CMultipartForm::Append(const char* data, int64_t size)
{
    if (!m_body.Data()) {
        m_length += size;
        return;
    }
    if (m_length + size > m_capacity)
        return;
    std::memcpy(m_body.Data() + m_length, data, static_cast<size_t>(size));
    m_length += size;
}
