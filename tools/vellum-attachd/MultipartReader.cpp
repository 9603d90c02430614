// The body is read as if it began with CRLF, so the first delimiter looks
// like every later one. Content is passed on as soon as it cannot be the
// start of a delimiter; only the last delimiter-length bytes wait for the
// next piece. The file name is taken from the part head as written, without
// undoing backslash escapes, since clients send Windows paths unescaped.
#include "MultipartReader.h"

#include <boost/beast/http/rfc7230.hpp>

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t kMaxHead = 8192;

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// The value of `key`="..." in a Content-Disposition line, raw; the search
// is for the key at a parameter start, so "name" does not match "filename".
std::string DispositionValue(std::string_view line, std::string_view key)
{
    size_t at = 0;
    while ((at = line.find(key, at)) != std::string_view::npos) {
        size_t before = at;
        at += key.size();
        while (before > 0 && line[before - 1] == ' ')
            --before;
        if (before == 0 || line[before - 1] != ';' || line.substr(at, 2) != "=\"")
            continue;
        size_t start = at + 2;
        size_t end = line.find('"', start);
        return std::string(line.substr(start, end == std::string_view::npos ? end : end - start));
    }
    return {};
}

} // namespace

MultipartReader::MultipartReader(const std::string& boundary, PartHandler& handler)
    : m_delimiter("\r\n--" + boundary), m_handler(handler), m_pending("\r\n")
{
}

std::string MultipartReader::BoundaryOf(std::string_view contentType)
{
    constexpr std::string_view type = "multipart/form-data";
    if (!StartsWithNoCase(contentType, type))
        return {};
    contentType.remove_prefix(type.size());
    namespace http = boost::beast::http;
    for (const auto& [name, value] :
         http::param_list(boost::beast::string_view(contentType.data(), contentType.size()))) {
        if (name.size() != 8 || !StartsWithNoCase(std::string_view(name.data(), 8), "boundary"))
            continue;
        std::string_view boundary(value.data(), value.size());
        if (boundary.size() >= 2 && boundary.front() == '"' && boundary.back() == '"')
            boundary = boundary.substr(1, boundary.size() - 2);
        return boundary.size() <= 70 ? std::string(boundary) : std::string();
    }
    return {};
}

bool MultipartReader::Feed(std::string_view piece)
{
    if (m_state == State::Done)
        return true; // the epilogue is ignored
    m_pending.append(piece);
    bool ok = true;
    while (ok && m_state != State::Done && !m_pending.empty()) {
        size_t before = m_pending.size();
        State state = m_state;
        ok = Step();
        if (m_pending.size() == before && m_state == state)
            break; // waits for more bytes
    }
    return ok;
}

bool MultipartReader::Step()
{
    switch (m_state) {
    case State::Content:
        return ReadContent();
    case State::AfterDelimiter:
        return ReadAfterDelimiter();
    case State::Head:
        return ReadHead();
    case State::Done:
        return true;
    }
    return false;
}

bool MultipartReader::ReadContent()
{
    size_t found = m_pending.find(m_delimiter);
    size_t safe = found != std::string::npos ? found
                  : m_pending.size() >= m_delimiter.size()
                      ? m_pending.size() - m_delimiter.size() + 1
                      : 0;
    if (safe > 0 && m_inPart && !m_handler.TakeContent(std::string_view(m_pending).substr(0, safe)))
        return false;
    if (found == std::string::npos) {
        m_pending.erase(0, safe);
        return true;
    }
    m_pending.erase(0, found + m_delimiter.size());
    m_state = State::AfterDelimiter;
    return true;
}

bool MultipartReader::ReadAfterDelimiter()
{
    // Transport padding may stand between the delimiter and its line end.
    size_t blanks = m_pending.find_first_not_of(" \t");
    if (blanks == std::string::npos || m_pending.size() - blanks < 2) {
        return m_pending.size() <= 64;
    }
    std::string_view next = std::string_view(m_pending).substr(blanks, 2);
    if (next == "--") {
        m_state = State::Done;
        m_pending.clear();
        return true;
    }
    if (next != "\r\n")
        return false;
    m_pending.erase(0, blanks + 2);
    m_state = State::Head;
    return true;
}

bool MultipartReader::ReadHead()
{
    size_t end = m_pending.find("\r\n\r\n");
    if (end == std::string::npos && m_pending.rfind("\r\n", 0) != 0)
        return m_pending.size() <= kMaxHead;
    std::string_view head =
        std::string_view(m_pending).substr(0, end == std::string::npos ? 0 : end);
    std::string name, fileName;
    while (!head.empty()) {
        size_t lineEnd = head.find("\r\n");
        std::string_view line = head.substr(0, lineEnd);
        if (StartsWithNoCase(line, "content-disposition:")) {
            name = DispositionValue(line, "name");
            fileName = DispositionValue(line, "filename");
        }
        head.remove_prefix(lineEnd == std::string_view::npos ? head.size() : lineEnd + 2);
    }
    // A part without fields has its blank line right away.
    m_pending.erase(0, end == std::string::npos ? 2 : end + 4);
    m_state = State::Content;
    m_inPart = true;
    return m_handler.StartPart(name, fileName);
}
