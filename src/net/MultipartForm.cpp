// Start lays the body out as a list of segments (the framing and fields as
// text, each file as an open BodyFile) and counts their lengths; ReadNext
// walks the same list. The length counted is the length sent: a file that
// changed its size in between stops the body (BodyFile).
#include "net/MultipartForm.h"

#include "net/BodyFile.h"
#include "platform/fs/HeldOpenFiles.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <cstring>
#include <random>

namespace {

constexpr const char* kSystemBoundary = "#BOUNDARAY1234567890#";

std::string WithoutQuotes(std::string text)
{
    std::erase(text, '"');
    std::erase(text, '\'');
    return text;
}

// The file's own name: the path before it tells the server (and its log)
// how the person's disk is laid out. "/" never occurs inside a character of
// a host code page.
std::string OwnName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

std::string RandomBoundary()
{
    std::random_device random;
    std::string boundary = kSystemBoundary;
    for (int i = 0; i < 4; ++i) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(random()));
        boundary += digits;
    }
    return boundary;
}

} // namespace

CMultipartForm::CMultipartForm() : m_boundary(RandomBoundary())
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
    m_length = 0;
    m_parts.clear();
    m_segments.clear();
    m_failure.clear();
}

void CMultipartForm::Start()
{
    m_body.Free();
    ChooseBoundaryAbsentFromFields();
    m_segments.clear();
    m_length = 0;
    Lay();
    m_segment = 0;
    m_textOffset = 0;
    m_fileTail.clear();
    m_failure.clear();
}

// A field is in memory and can be looked through at once; a new random
// boundary for a field that holds this one.
void CMultipartForm::ChooseBoundaryAbsentFromFields()
{
    auto held = [this] {
        for (const auto& part : m_parts)
            if (part->name.find(m_boundary) != std::string::npos ||
                part->value.find(m_boundary) != std::string::npos)
                return true;
        return false;
    };
    while (held())
        m_boundary = RandomBoundary();
}

void CMultipartForm::Lay()
{
    const std::string separator = "--" + m_boundary + "\r\n";
    for (const auto& part : m_parts) {
        if (!part->isFile) {
            AddText(separator + "Content-Disposition: form-data; name=\"" + part->name +
                    "\"\r\n\r\n" + part->value + "\r\n");
            continue;
        }
        AddText(separator + "Content-Disposition: form-data; name=\"" + part->name +
                "\"; filename=\"" + WithoutQuotes(OwnName(part->value)) +
                "\"\r\nContent-Type: application/octet-stream\r\n\r\n");
        AddFile(part->value);
        AddText("\r\n");
    }
    AddText("--" + m_boundary + "--\r\n");
}

void CMultipartForm::AddText(std::string text)
{
    m_length += static_cast<int64_t>(text.size());
    if (!m_segments.empty() && !m_segments.back().file) {
        m_segments.back().text += text;
        return;
    }
    m_segments.push_back({std::move(text), nullptr});
}

// A file that cannot be opened adds nothing, as the system's form does (the
// part keeps its head lines).
void CMultipartForm::AddFile(const std::string& path)
{
    if (vellum::fs::IsHeldOpenByThisProcess(vellum::text::ToUtf8(path)))
        return; // closing it would drop our locks on it
    auto file = std::make_unique<BodyFile>(path);
    if (!file->IsOpen())
        return;
    m_length += file->Length();
    m_segments.push_back({std::string(), std::move(file)});
}

std::string CMultipartForm::TextBeforeFiles() const
{
    return m_segments.empty() ? std::string() : m_segments.front().text;
}

int64_t CMultipartForm::ReadNext(char* buffer, size_t size)
{
    while (m_segment < m_segments.size()) {
        Segment& segment = m_segments[m_segment];
        if (!segment.file) {
            size_t count = std::min(size, segment.text.size() - m_textOffset);
            std::memcpy(buffer, segment.text.data() + m_textOffset, count);
            m_textOffset += count;
            if (m_textOffset == segment.text.size()) {
                ++m_segment;
                m_textOffset = 0;
            }
            if (count > 0)
                return static_cast<int64_t>(count);
            continue;
        }
        int64_t count = segment.file->ReadNext(buffer, size);
        if (count < 0) {
            m_failure = segment.file->FailureText();
            return -1;
        }
        if (HoldsBoundary(buffer, static_cast<size_t>(count)))
            return -1;
        if (count > 0)
            return count;
        ++m_segment;
        m_fileTail.clear();
    }
    return 0;
}

// Looks at the piece together with the end of the one before, so a boundary
// split across two reads is found too.
bool CMultipartForm::HoldsBoundary(const char* data, size_t size)
{
    std::string_view piece(data, size);
    size_t keep = m_boundary.size() - 1;
    std::string joint = m_fileTail + std::string(piece.substr(0, keep));
    if (joint.find(m_boundary) != std::string::npos ||
        piece.find(m_boundary) != std::string_view::npos) {
        m_failure = vellum::text::FromUtf8("文件含有这次上传的分隔符, 没有上传");
        return true;
    }
    if (size >= keep) {
        m_fileTail.assign(piece.substr(size - keep));
        return false;
    }
    m_fileTail += piece;
    if (m_fileTail.size() > keep)
        m_fileTail.erase(0, m_fileTail.size() - keep);
    return false;
}

const char* CMultipartForm::GetBody()
{
    Start();
    if (!m_body.Allocate(static_cast<size_t>(m_length))) {
        m_failure = vellum::text::FromUtf8("内存不足");
        return nullptr;
    }
    int64_t filled = 0;
    while (filled < m_length) {
        int64_t count = ReadNext(m_body.Data() + filled, static_cast<size_t>(m_length - filled));
        if (count <= 0) {
            m_body.Free();
            return nullptr;
        }
        filled += count;
    }
    return m_body.Data();
}
