// One upload: the multipart form of the upload page (UserName, FileName1
// and File1, in any order) read as it streams in. The file goes straight
// into the store under a fresh stored name, or, for a store on a database,
// to a StagedFile that Finish() stores in one go; the text fields are kept,
// each up to a few KiB. Nothing becomes visible before Finish() succeeds,
// and an UploadForm dropped before that leaves nothing behind.
#pragma once

#include "AttachmentStore.h"
#include "MultipartReader.h"
#include "RequestReader.h"
#include "StagedFile.h"

#include <cstdint>
#include <memory>
#include <string>

// What the server answers: a status and a short text. Refusals never
// contain "SUCCESS", the one word the client's reply test looks for.
struct UploadAnswer
{
    unsigned status;
    std::string text;
};

class UploadForm : public BodyTaker, private PartHandler
{
public:
    // `stageFolder`: where to stage the file until Finish, or nullptr to
    // write it to the store as it comes.
    UploadForm(AttachmentStore& store, uint64_t maxSize, const std::string& boundary,
               const std::string* stageFolder = nullptr);

    // The most bytes of form framing and text fields a body may carry
    // besides the file itself.
    static constexpr uint64_t kFormOverhead = 64 * 1024;

    bool TakeBody(std::string_view piece) override;

    // Why TakeBody refused a piece.
    UploadAnswer Refusal() const;

    // Stores the complete upload; the reply names the stored file. With a
    // staged file this is where the store is written: it blocks on the
    // store.
    UploadAnswer Finish();

    // The owner the file is stored as, whatever the form's UserName says:
    // the user who holds the request's ticket.
    void StoreAs(std::string owner) { m_owner = std::move(owner); }

    // The client's file name, for the log.
    const std::string& ClientFileName() const { return m_clientFileName; }

    static UploadAnswer TooLarge(uint64_t maxSize);
    static UploadAnswer StoreFailed(StoreFailure failure);

private:
    bool StartPart(const std::string& name, const std::string& fileName) override;
    bool TakeContent(std::string_view content) override;
    bool Store();

    AttachmentStore& m_store;
    uint64_t m_maxSize;
    MultipartReader m_reader;
    std::string m_part;
    std::string m_userName;
    std::string m_owner;
    std::string m_clientFileName;
    std::string m_storedName;
    bool m_fileSeen = false;
    bool m_secondFile = false;
    uint64_t m_fileSize = 0;
    bool m_tooLarge = false;
    StoreFailure m_failure = StoreFailure::None;
    std::unique_ptr<IncomingFile> m_file;
    const std::string* m_stageFolder;
    std::unique_ptr<StagedFile> m_staged;
};
