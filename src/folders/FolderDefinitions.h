// The four mail folders as data: each view's class name, table, grid columns
// with their header titles, filter, order, grid control id, toolbar and
// search form. The views build themselves from this table, and `vellum list`
// fills a text grid from it exactly as a view's first fill or search would.
// Texts are in the host code page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CGridBinding;

// What a view does to its rows after each fill.
enum class FolderAfterFill {
    None,
    AttachmentMarks, // "@" in column 1 for rows with an attachment
    UnreadColours,   // sender and subject in blue while Status is "0"
};

struct FolderColumn
{
    std::string field{}; // a select expression, used exactly as written
    std::string title{}; // the header text; may be empty
    bool hidden = false; // width 0 before the stored widths are applied
};

struct FolderButton
{
    std::string caption{};
    std::string image{}; // file name in the "images/" folder
    int command = 0;
    int width = 0;
};

// A field of the search form, and the column its "like" condition tests.
struct FolderSearchField
{
    std::string field{};
    std::string label{};
};

struct FolderDefinition
{
    std::string name{};       // drafts, sent, inbox, notify
    std::string className{};  // also the section of the column-width file
    std::string entryPoint{}; // the export that creates the view
    std::string table{};
    std::string keyColumn{};
    std::vector<FolderColumn> columns{};
    std::string statusCondition{}; // " Status=0" or empty
    std::string userColumn{};      // the column compared with the user name
    std::string order{};
    std::string caption{}; // toolbar caption; empty when none
    int captionWidth = 0;
    std::vector<FolderButton> buttons{};
    int gridId = 0;
    FolderAfterFill afterFill = FolderAfterFill::None;
    int deleteCommand = 0;
    std::vector<FolderSearchField> searchFields{}; // empty: no search
};

// The four folders in the order drafts, sent, inbox, notify.
const std::vector<FolderDefinition>& FolderDefinitions();

// The folder of a short name or class name; null when none.
const FolderDefinition* FindFolder(std::string_view name);

// The view's own conditions for a user; the name goes in as a quoted literal.
std::vector<std::string> FolderConditions(const FolderDefinition& folder,
                                          const std::string& userName);

// The search condition for one field's word, with every "'" removed from the
// word; empty when nothing is left of it.
std::string SearchCondition(const std::string& field, const std::string& word);

// Declares the folder's table, columns, conditions and order on a binding.
void DeclareFolder(CGridBinding& binding, const FolderDefinition& folder,
                   const std::string& userName);

// The step the folder applies after every fill.
void ApplyAfterFill(CGridBinding& binding, const FolderDefinition& folder);
void ApplyAttachmentMarks(CGridBinding& binding);
void ApplyUnreadColours(CGridBinding& binding);
