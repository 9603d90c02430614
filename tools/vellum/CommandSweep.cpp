// `vellum sweep`: the administrator's clean-up of the attachment store. The
// server never deletes a file when an upload replaces it, because mail
// already delivered (a forward, a copy, a reply) may still name it; so files
// that no mail names pile up: replaced ones, uploads whose mail was never
// saved, transfers cancelled after the server had stored them. The sweep
// removes those, and only those that are older than a given age, so that an
// upload whose draft is still being written is never taken.
//
// A stored name of the current form is named by a mail when the mail's
// attachment field starts with the same 32 random hexadecimal digits (the
// rest is the file's own name, which code pages may spell differently);
// older names must match whole. A dry run is the default.
#include "Command.h"
#include "mail/AttachmentName.h"
#include "store/DbRecordset.h"
#include "store/DbSession.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every attachment named by a draft, a sent draft or a delivered copy.
bool ReadNamedAttachments(CDbSession& session, std::set<std::string>& named)
{
    for (const char* table : {"SystemMail", "SystemMailCopy"}) {
        CDbRecordset rows;
        rows.Attach(&session);
        std::string query = std::string("select distinct Attachment from ") + table +
                            " where Attachment is not null and Attachment<>''";
        if (!rows.Open(query.c_str())) {
            CommandFailure(WithoutLineEnd(rows.GetLastErrorText()));
            return false;
        }
        for (; !rows.IsEOF(); rows.MoveNext())
            if (const char* value = rows.GetFieldValueAt(0))
                named.insert(AttachmentIdentity(value));
    }
    return true;
}

struct StoredFileEntry
{
    std::string name;
    unsigned long long size = 0;
    std::string handle; // the folder path, or the name's hex in the table
};

// The files of a folder store older than the cutoff (the owner and
// incoming folders are the server's own).
std::vector<StoredFileEntry> FolderFiles(const fs::path& root, fs::file_time_type cutoff)
{
    std::vector<StoredFileEntry> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
        if (!entry.is_regular_file(error) || entry.last_write_time(error) >= cutoff)
            continue;
        files.push_back(
            {entry.path().filename().string(), entry.file_size(error), entry.path().string()});
    }
    return files;
}

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

// The files of the database store (vellum-attachd --storage postgres, in
// the same database as the mail tables) stored before the cutoff.
std::optional<std::vector<StoredFileEntry>> TableFiles(CDbSession& session, long long ageSeconds)
{
    CDbRecordset rows;
    rows.Attach(&session);
    std::string query = "select encode(name,'hex'), size from vellum_attachment where stored < "
                        "now() - interval '" +
                        std::to_string(ageSeconds) + " seconds'";
    if (!rows.Open(query.c_str())) {
        CommandFailure(WithoutLineEnd(rows.GetLastErrorText()));
        return std::nullopt;
    }
    std::vector<StoredFileEntry> files;
    for (; !rows.IsEOF(); rows.MoveNext()) {
        std::string hex = rows.GetFieldValueAt(0);
        files.push_back({FromHex(hex), std::stoull(rows.GetFieldValueAt(1)), hex});
    }
    return files;
}

bool RemoveFromFolder(const StoredFileEntry& file)
{
    fs::path path(file.handle);
    std::error_code error;
    fs::remove(path.parent_path() / ".owners" / path.filename(), error);
    return fs::remove(path, error);
}

bool RemoveFromTable(CDbSession& session, const StoredFileEntry& file)
{
    std::string name = "decode('" + file.handle + "','hex')";
    if (!session.BeginTrans())
        return false;
    bool removed =
        session.Execute(("delete from vellum_attachment_piece where name=" + name).c_str()) &&
        session.Execute(("delete from vellum_attachment where name=" + name).c_str()) &&
        session.CommitTrans();
    if (!removed)
        session.RollbackTrans();
    return removed;
}

// "30d", "12h", "15m", "90s" or plain seconds; nothing when unreadable.
std::optional<long long> ParseAge(const std::string& text)
{
    size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (...) {
        return std::nullopt;
    }
    std::string unit = text.substr(used);
    long long scale = unit.empty() || unit == "s" ? 1
                      : unit == "m"               ? 60
                      : unit == "h"               ? 3600
                      : unit == "d"               ? 86400
                                                  : 0;
    if (scale == 0 || value < 0)
        return std::nullopt;
    return value * scale;
}

int RunSweep(const CommandArgs& given)
{
    CommandArgs args = given;
    CDbSession session;
    if (!OpenFromArgs(args, session, "sweep"))
        return 1;
    std::string root, ageText = "7d";
    bool inFolder = TakeOption(args, "root", root);
    TakeOption(args, "older-than", ageText);
    bool remove = TakeFlag(args, "remove");
    if (!args.empty())
        return CommandFailure("sweep: unexpected argument \"" + args[0] +
                              "\" (vellum sweep --help)");
    std::optional<long long> age = ParseAge(ageText);
    if (!age)
        return CommandFailure("sweep: --older-than takes an age such as 7d, 12h or 30m");
    if (inFolder && !fs::is_directory(root))
        return CommandFailure("sweep: \"" + root + "\" is not a folder");

    std::set<std::string> named;
    if (!ReadNamedAttachments(session, named))
        return 1;
    std::optional<std::vector<StoredFileEntry>> files =
        inFolder ? FolderFiles(root, fs::file_time_type::clock::now() - std::chrono::seconds(*age))
                 : TableFiles(session, *age);
    if (!files)
        return 1;

    int count = 0, failed = 0;
    unsigned long long bytes = 0;
    for (const StoredFileEntry& file : *files) {
        if (named.count(AttachmentIdentity(file.name)))
            continue;
        if (remove && !(inFolder ? RemoveFromFolder(file) : RemoveFromTable(session, file))) {
            std::fprintf(stderr, "vellum: sweep: could not remove %s\n", file.name.c_str());
            ++failed;
            continue;
        }
        std::printf("%s\t%llu\n", file.name.c_str(), file.size);
        ++count;
        bytes += file.size;
    }
    std::printf("%d files, %llu bytes %s\n", count, bytes,
                remove ? "freed" : "would be freed (dry run: --remove removes them)");
    return failed ? 1 : 0;
}

} // namespace

const VellumCommand kSweep(
    "sweep", "list or remove stored attachments that no mail names",
    "usage: vellum sweep --connect CONNECTION [--root FOLDER] [--older-than AGE] [--remove]\n\n"
    "Finds the files on the attachment server that no row of SystemMail or\n"
    "SystemMailCopy names and that were stored longer ago than AGE (a number with\n"
    "s, m, h or d; default 7d), and prints each as NAME<TAB>BYTES, then the count and\n"
    "the bytes they hold. Nothing is removed unless --remove is given.\n\n"
    "--root FOLDER is the server's folder (vellum-attachd --root); without it the\n"
    "files are those the server keeps in the database (--storage postgres), which\n"
    "must be the database CONNECTION opens.\n",
    RunSweep);
