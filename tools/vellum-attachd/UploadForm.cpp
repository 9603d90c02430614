// The file's name is made as soon as its part head arrives, so the bytes
// can go to the store from the first piece on; the owner is only needed at
// the end, when every field has arrived. The client also names the file the
// upload replaces (FileName1); that file stays, since mail already
// delivered may name it. A second File1 part refuses the form: joined to
// the first it would store a splice of two parts (what a file holding its
// form's boundary and a fake part head produces), and either one alone is
// a guess.
#include "UploadForm.h"

#include "StoredName.h"

namespace {

constexpr size_t kFieldLimit = 4096;

UploadAnswer Refused(unsigned status, const std::string& why)
{
    return {status, "upload refused: " + why + "\r\n"};
}

} // namespace

UploadForm::UploadForm(AttachmentStore& store, uint64_t maxSize, const std::string& boundary,
                       const std::string* stageFolder)
    : m_store(store), m_maxSize(maxSize), m_reader(boundary, *this), m_stageFolder(stageFolder)
{
}

UploadAnswer UploadForm::TooLarge(uint64_t maxSize)
{
    return Refused(413, "the file is larger than " + std::to_string(maxSize) + " bytes");
}

bool UploadForm::TakeBody(std::string_view piece)
{
    return m_reader.Feed(piece);
}

bool UploadForm::StartPart(const std::string& name, const std::string& fileName)
{
    m_part = name;
    if (name == "File1" && m_fileSeen) {
        m_secondFile = true;
        return false;
    }
    if (name != "File1")
        return true;
    m_fileSeen = true;
    m_clientFileName = fileName;
    if (fileName.empty())
        return true; // refused at the end, as a form without a file name
    m_storedName = MakeStoredName(fileName);
    if (m_stageFolder) {
        m_staged = StagedFile::Make(*m_stageFolder, m_failure);
        return m_staged != nullptr;
    }
    m_file = m_store.Receive(m_storedName, m_failure);
    return m_file != nullptr;
}

bool UploadForm::TakeContent(std::string_view content)
{
    if (m_part == "UserName") {
        m_userName.append(
            content.substr(0, kFieldLimit - std::min(m_userName.size(), kFieldLimit)));
        return true;
    }
    if (m_part != "File1" || (!m_file && !m_staged))
        return true;
    m_fileSize += content.size();
    if (m_fileSize > m_maxSize) {
        m_tooLarge = true;
        return false;
    }
    if (m_staged)
        return m_staged->Write(content, m_failure);
    if (m_file->Write(content))
        return true;
    m_failure = m_file->Failure();
    return false;
}

UploadAnswer UploadForm::StoreFailed(StoreFailure failure)
{
    if (failure == StoreFailure::Full)
        return Refused(507, "the server has no room left for the file");
    if (failure == StoreFailure::Unavailable)
        return Refused(503, "the attachment store cannot be reached now; try again shortly");
    return Refused(500, "the file could not be stored");
}

UploadAnswer UploadForm::Refusal() const
{
    if (m_tooLarge)
        return TooLarge(m_maxSize);
    if (m_failure != StoreFailure::None)
        return StoreFailed(m_failure);
    if (m_secondFile)
        return Refused(400, "more than one file (field File1)");
    return Refused(400, "the form could not be read");
}

UploadAnswer UploadForm::Finish()
{
    if (!m_reader.Finished())
        return Refused(400, "the form could not be read");
    if (!m_fileSeen)
        return Refused(400, "no file (field File1)");
    if (m_clientFileName.empty())
        return Refused(400, "bad file name");
    if (m_userName.empty())
        return Refused(400, "no user name");
    bool stored = Store();
    m_file.reset(); // a database store's rollback happens here, off the I/O threads
    if (!stored)
        return StoreFailed(m_failure);
    return {200, "SUCCESS?FileName1=" + m_storedName};
}

bool UploadForm::Store()
{
    if (m_staged) {
        m_file = m_store.Receive(m_storedName, m_failure);
        if (!m_file || !m_staged->CopyTo(*m_file, m_failure))
            return false;
    }
    if (m_file->Keep(m_owner.empty() ? m_userName : m_owner))
        return true;
    m_failure = m_file->Failure();
    return false;
}
