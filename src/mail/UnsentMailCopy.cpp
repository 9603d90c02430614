// The copy's file is a header line and then one entry per field, each a
// line "name length" followed by exactly that many bytes and a newline.
// Counting bytes instead of escaping them keeps any body (newlines, any code
// page) as it was; the reader refuses anything that does not add up.
#include "mail/UnsentMailCopy.h"

#include "platform/fs/PrivateFile.h"
#include "platform/text/CodePage.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>

namespace {

constexpr std::string_view kHeader = "vellum unsent mail 1\n";

// User names become file names: letters and digits stay, every other byte
// (a slash, a dot, a Chinese name's UTF-8) is written as %XX.
std::string FileNameFor(const std::string& userName)
{
    std::string name;
    for (unsigned char c : vellum::text::ToUtf8(userName)) {
        bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (plain) {
            name += static_cast<char>(c);
            continue;
        }
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        name += escaped;
    }
    return "unsent-" + name + ".mail";
}

void AddEntry(std::string& file, std::string_view name, std::string_view value)
{
    file += name;
    file += ' ';
    file += std::to_string(value.size());
    file += '\n';
    file += value;
    file += '\n';
}

// The entries after the header; nothing when the file is cut or garbled.
std::optional<std::map<std::string, std::string>> ParseEntries(std::string_view file)
{
    std::map<std::string, std::string> entries;
    while (!file.empty()) {
        std::size_t space = file.find(' ');
        std::size_t newline = file.find('\n');
        if (space == std::string_view::npos || newline == std::string_view::npos || space > newline)
            return std::nullopt;
        std::string name(file.substr(0, space));
        std::string_view digits = file.substr(space + 1, newline - space - 1);
        if (digits.empty() || digits.size() > 10 ||
            digits.find_first_not_of("0123456789") != std::string_view::npos)
            return std::nullopt;
        std::size_t length = std::stoul(std::string(digits));
        file.remove_prefix(newline + 1);
        if (file.size() < length + 1 || file[length] != '\n')
            return std::nullopt;
        entries[name] = std::string(file.substr(0, length));
        file.remove_prefix(length + 1);
    }
    return entries;
}

} // namespace

UnsentMailCopy::UnsentMailCopy(const std::string& userName)
{
    std::string folder = vellum::fs::UserStateFolder("vellum");
    if (!folder.empty())
        path_ = folder + FileNameFor(userName);
}

bool UnsentMailCopy::Write(int keyId, const MailFields& fields)
{
    if (path_.empty())
        return false;
    std::string file(kHeader);
    AddEntry(file, "KeyId", std::to_string(keyId));
    AddEntry(file, "WrittenAt", CurrentMailTime());
    AddEntry(file, "Sender", fields.sender);
    AddEntry(file, "MailTime", fields.mailTime);
    AddEntry(file, "MailTo", fields.mailTo);
    AddEntry(file, "Subject", fields.subject);
    AddEntry(file, "Attachment", fields.attachment);
    AddEntry(file, "Body", fields.body);
    return vellum::fs::WritePrivateFileAtomically(path_, file);
}

std::optional<UnsentMail> UnsentMailCopy::Read() const
{
    std::optional<std::string> file =
        path_.empty() ? std::nullopt : vellum::fs::ReadWholeFile(path_);
    if (!file || !std::string_view(*file).starts_with(kHeader))
        return std::nullopt;
    auto entries = ParseEntries(std::string_view(*file).substr(kHeader.size()));
    if (!entries || !entries->contains("KeyId") || !entries->contains("Body"))
        return std::nullopt;
    UnsentMail mail;
    mail.keyId = std::atoi((*entries)["KeyId"].c_str());
    mail.writtenAt = (*entries)["WrittenAt"];
    mail.fields.sender = (*entries)["Sender"];
    mail.fields.mailTime = (*entries)["MailTime"];
    mail.fields.mailTo = (*entries)["MailTo"];
    mail.fields.subject = (*entries)["Subject"];
    mail.fields.attachment = (*entries)["Attachment"];
    mail.fields.body = (*entries)["Body"];
    return mail;
}

void UnsentMailCopy::Remove()
{
    if (!path_.empty())
        vellum::fs::RemoveFile(path_);
}
