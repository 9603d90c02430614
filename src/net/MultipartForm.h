// CMultipartForm: the body of a "multipart/form-data" POST in one contiguous
// block, built from named parts (text fields, or files read from disk) with
// a fixed boundary. The attachment upload hands the block and its length to
// the HTTP client as request body, so nothing is copied again on the way out.
#pragma once

#include "platform/net/BodyBlock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CFormPart
{
    std::string name;
    std::string value; // the field's text, or the path of a local file
    int isFile = 0;
};

class CMultipartForm
{
public:
    CMultipartForm();
    virtual ~CMultipartForm();
    CMultipartForm(const CMultipartForm&) = delete;
    CMultipartForm& operator=(const CMultipartForm&) = delete;

    // Returns the index of the new part.
    int AddPart(const std::string& name, const std::string& value, int isFile);

    // Builds the body from the parts and the files as they are now. The
    // block is owned here and valid until the next GetBody, Clear or the
    // end of the object; nullptr when it cannot be built.
    const char* GetBody();
    int GetLength() const { return m_length; }
    const std::string& GetBoundary() const { return m_boundary; }

    // Frees the body and deletes every part.
    void Clear();

private:
    void Lay();
    void LayFile(const std::string& path);
    void Append(const char* data, int64_t size);
    void Append(const std::string& text) { Append(text.data(), static_cast<int64_t>(text.size())); }

    vellum::net::BodyBlock m_body;
    int m_capacity = 0;
    int64_t m_length = 0;
    std::vector<std::unique_ptr<CFormPart>> m_parts;
    std::string m_boundary;
};
