// The folder table. It is written with UTF-8 literals and converted to the
// host code page once, on first use.
#include "folders/FolderDefinitions.h"

#include "base/NameCompare.h"
#include "folders/GridBinding.h"
#include "grid/GridTable.h"
#include "platform/text/CodePage.h"
#include "store/SqlLiteral.h"

#include <algorithm>

namespace {

using vellum::text::FromUtf8;

constexpr GridColour UnreadColour = 0xFF0000; // pure blue
constexpr GridColour ReadColour = 0;

// Drafts and the sent log show the same columns.
std::vector<FolderColumn> MailColumns()
{
    return {{"KeyId", FromUtf8("序号")},    {"'@'", FromUtf8("附件")},
            {"MailTo", FromUtf8("收件人")}, {"Subject", FromUtf8("主题")},
            {"MailTime", FromUtf8("时间")}, {"Attachment", ""}};
}

// One row per folder, in the order the views' table gives them.
std::vector<FolderDefinition> BuildFolders()
{
    return {
        {.name = "drafts",
         .className = "CMailDraftListView",
         .entryPoint = "listMailDraft",
         .table = "SystemMail",
         .keyColumn = "KeyId",
         .columns = MailColumns(),
         .statusCondition = " Status=0",
         .userColumn = "MailFrom",
         .order = " order by keyid desc ",
         .buttons = {{FromUtf8("新邮件"), "add.gif", 6001, 70},
                     {FromUtf8("编辑"), "edit.gif", 6002, 60},
                     {FromUtf8("复制"), "copy.gif", 6003, 60},
                     {FromUtf8("删除"), "drop.gif", 6004, 60}},
         .gridId = 8001,
         .afterFill = FolderAfterFill::AttachmentMarks,
         .deleteCommand = 6004},
        {.name = "sent",
         .className = "CMailLogListView",
         .entryPoint = "listMailLog",
         .table = "SystemMail",
         .keyColumn = "KeyId",
         .columns = MailColumns(),
         .statusCondition = " Status=1",
         .userColumn = "MailFrom",
         .order = " order by keyid desc ",
         .buttons = {{FromUtf8("打开"), "open.gif", 6002, 60},
                     {FromUtf8("查找"), "search.gif", 6005, 60},
                     {FromUtf8("删除"), "drop.gif", 6004, 60}},
         .gridId = 8001,
         .afterFill = FolderAfterFill::AttachmentMarks,
         .deleteCommand = 6004,
         .searchFields = {{"MailTo", FromUtf8("收件人")}, {"Subject", FromUtf8("主题")}}},
        {.name = "inbox",
         .className = "CMailNewListView",
         .entryPoint = "listMailNew",
         .table = "SystemMailNotify",
         .keyColumn = "KeyId",
         .columns = {{"KeyId", FromUtf8("序号"), true},
                     {"MailId ", "", true},
                     {"MailFrom", FromUtf8("发件人")},
                     {"Subject", FromUtf8("主题")},
                     {"MailTime", ""},
                     {"Status", ""}},
         .userColumn = "MailTo",
         .order = " order by keyid desc ",
         .caption = FromUtf8("系统邮件之收件箱"),
         .captionWidth = 100,
         .buttons = {{FromUtf8("阅读"), "view.gif", 6002, 60},
                     {FromUtf8("删除"), "drop.gif", 6007, 60}},
         .gridId = 6011,
         .afterFill = FolderAfterFill::UnreadColours,
         .deleteCommand = 6007},
        {.name = "notify",
         .className = "CMailNotifyListView",
         .entryPoint = "listMailNotify",
         .table = "SystemMailNotify",
         .keyColumn = "KeyId",
         .columns = {{"KeyId", FromUtf8("序号")},
                     {"MailId ", "#"},
                     {"MailFrom", FromUtf8("发件人")},
                     {"Subject", FromUtf8("主题")},
                     {"MailTime", FromUtf8("时间")}},
         .userColumn = "MailTo",
         .order = " order by keyid desc ",
         .buttons = {{FromUtf8("阅读"), "view.gif", 6002, 70},
                     {FromUtf8("查找"), "search.gif", 6005, 70},
                     {FromUtf8("删除"), "drop.gif", 6008, 60}},
         .gridId = 6012,
         .deleteCommand = 6008,
         .searchFields = {{"MailFrom", FromUtf8("发件人")}, {"Subject", FromUtf8("主题")}}},
    };
}

} // namespace

const std::vector<FolderDefinition>& FolderDefinitions()
{
    static const std::vector<FolderDefinition> folders = BuildFolders();
    return folders;
}

const FolderDefinition* FindFolder(std::string_view name)
{
    for (const FolderDefinition& folder : FolderDefinitions())
        if (SameNameIgnoringCase(folder.name, name) || SameNameIgnoringCase(folder.className, name))
            return &folder;
    return nullptr;
}

std::vector<std::string> FolderConditions(const FolderDefinition& folder,
                                          const std::string& userName)
{
    std::vector<std::string> conditions;
    if (!folder.statusCondition.empty())
        conditions.push_back(folder.statusCondition);
    // A quoted literal: a name holding a quote must never widen the rows.
    conditions.push_back(" " + folder.userColumn + "=" + SqlTextLiteral(userName.c_str()));
    return conditions;
}

std::string SearchCondition(const std::string& field, const std::string& word)
{
    std::string value = word;
    value.erase(std::remove(value.begin(), value.end(), '\''), value.end());
    if (value.empty())
        return {};
    return " " + field + " like '%" + value + "%'";
}

void DeclareFolder(CGridBinding& binding, const FolderDefinition& folder,
                   const std::string& userName)
{
    binding.SetTable(folder.table);
    for (const FolderColumn& column : folder.columns)
        binding.AddColumn(column.field, column.title.c_str());
    for (const std::string& condition : FolderConditions(folder, userName))
        binding.AddWhere(condition);
    binding.SetOrder(folder.order);
}

void ApplyAfterFill(CGridBinding& binding, const FolderDefinition& folder)
{
    if (folder.afterFill == FolderAfterFill::AttachmentMarks)
        ApplyAttachmentMarks(binding);
    else if (folder.afterFill == FolderAfterFill::UnreadColours)
        ApplyUnreadColours(binding);
}

void ApplyAttachmentMarks(CGridBinding& binding)
{
    GridTable* grid = binding.GetGrid();
    if (!grid)
        return;
    for (int row = 1; row < grid->GetRowCount(); ++row) {
        const char* attachment = binding.GetCellText(row, "Attachment");
        grid->SetText(row, 1, attachment && *attachment ? "@" : "");
        grid->RedrawRow(row);
    }
}

void ApplyUnreadColours(CGridBinding& binding)
{
    GridTable* grid = binding.GetGrid();
    if (!grid)
        return;
    for (int row = 1; row < grid->GetRowCount(); ++row) {
        const char* status = binding.GetCellText(row, "Status");
        GridColour colour = status && std::string(status) == "0" ? UnreadColour : ReadColour;
        grid->SetTextColour(row, 2, colour);
        grid->SetTextColour(row, 3, colour);
        grid->RedrawRow(row);
    }
}
