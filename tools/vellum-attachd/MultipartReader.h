// A streaming reader of a multipart/form-data body: it takes the body in
// whatever pieces the connection delivers and hands each part's name,
// file name and content to a PartHandler as they arrive, holding no more
// than one delimiter's length of content and one part head at a time.
// HTTP itself is Boost.Beast's; Beast stops at the body, so the form's own
// framing is read here.
#pragma once

#include <string>
#include <string_view>

class PartHandler
{
public:
    virtual ~PartHandler() = default;
    // A part begins; `fileName` is as the client wrote it, empty when the
    // part carries none. False stops the reading.
    [[nodiscard]] virtual bool StartPart(const std::string& name, const std::string& fileName) = 0;
    // The next piece of the current part's content. False stops the reading.
    [[nodiscard]] virtual bool TakeContent(std::string_view content) = 0;
};

class MultipartReader
{
public:
    MultipartReader(const std::string& boundary, PartHandler& handler);

    // The boundary named in a Content-Type such as "multipart/form-data;
    // boundary=xyz", or "" when the type is not a multipart form.
    static std::string BoundaryOf(std::string_view contentType);

    // Reads the next piece of the body; false when the body is malformed or
    // the handler stopped the reading.
    [[nodiscard]] bool Feed(std::string_view piece);

    // True once the closing delimiter has been read.
    bool Finished() const { return m_state == State::Done; }

private:
    enum class State {
        Content,        // inside a part (or the preamble): looking for the delimiter
        AfterDelimiter, // "--" closes the form, CRLF starts a part head
        Head,           // a part head, up to its blank line
        Done,
    };

    [[nodiscard]] bool Step();
    [[nodiscard]] bool ReadContent();
    [[nodiscard]] bool ReadAfterDelimiter();
    [[nodiscard]] bool ReadHead();

    std::string m_delimiter; // CRLF "--" boundary
    PartHandler& m_handler;
    State m_state = State::Content;
    bool m_inPart = false; // false while in the preamble
    std::string m_pending;
};
