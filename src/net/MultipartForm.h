// CMultipartForm: the body of a "multipart/form-data" POST, built from named
// parts (text fields, or files on disk). The HTTP client reads it piece by
// piece as it sends (it is a BodySource), so a file goes from the disk to
// the socket through one small buffer; GetBody lays the whole body out in
// one block for callers that want it in memory.
//
// The boundary is the system's "#BOUNDARAY1234567890#" followed by 32 random
// hexadecimal digits, new for every form. The fixed boundary alone let any
// file holding it end its part early (and a fake part head after it became
// a second part); only a random one cannot be put into a file beforehand.
// Knowing that a file lacks even the fixed one would take reading the whole
// file before the head goes out, which doubles the disk reads of every
// upload and keeps the person waiting for a refusal the server gives from
// the head alone. The bytes are still checked as they go out: a body that
// would hold its boundary is stopped, never sent cut.
#pragma once

#include "net/BodySource.h"
#include "platform/net/BodyBlock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BodyFile;

struct CFormPart
{
    std::string name;
    std::string value; // the field's text, or the path of a local file
    int isFile = 0;
};

class CMultipartForm : public BodySource
{
public:
    CMultipartForm();
    ~CMultipartForm() override;
    CMultipartForm(const CMultipartForm&) = delete;
    CMultipartForm& operator=(const CMultipartForm&) = delete;

    // Returns the index of the new part.
    int AddPart(const std::string& name, const std::string& value, int isFile);

    // Lays the body out from the parts, measuring the files as they are
    // now, and starts reading it from its first byte.
    void Start();

    // The whole body in one block, built from the files as they are now. The
    // block is owned here and valid until the next GetBody, Clear or the end
    // of the object; nullptr when it cannot be built (FailureText says why).
    const char* GetBody();
    int64_t GetLength() const { return m_length; }
    const std::string& GetBoundary() const { return m_boundary; }

    // The body as far as the first file's bytes begin (all of it when no
    // part is a file), after Start.
    std::string TextBeforeFiles() const;

    // Frees the body and deletes every part.
    void Clear();

    int64_t Length() const override { return m_length; }
    int64_t ReadNext(char* buffer, size_t size) override;
    std::string FailureText() const override { return m_failure; }

private:
    // A piece of the layout: text, or a file's bytes.
    struct Segment
    {
        std::string text;
        std::unique_ptr<BodyFile> file;
    };

    void Lay();
    void AddText(std::string text);
    void AddFile(const std::string& path);
    [[nodiscard]] bool HoldsBoundary(const char* data, size_t size);
    void ChooseBoundaryAbsentFromFields();

    vellum::net::BodyBlock m_body;
    int64_t m_length = 0;
    std::vector<std::unique_ptr<CFormPart>> m_parts;
    std::string m_boundary;
    std::vector<Segment> m_segments;
    size_t m_segment = 0;    // the segment ReadNext is in
    size_t m_textOffset = 0; // how much of a text segment was read
    std::string m_fileTail;  // a file's last bytes read, to find a boundary across pieces
    std::string m_failure;
};
