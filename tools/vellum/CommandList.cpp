// `vellum list`: prints a user's folder as its view would show it after the
// first fill (or after a search), through the same binding and folder table,
// into a text grid instead of a window.
#include "Command.h"
#include "base/NameCompare.h"
#include "folders/FolderDefinitions.h"
#include "folders/GridBinding.h"
#include "grid/GridTable.h"
#include "store/DbSession.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

// Collects every "--search FIELD=WORD"; false after reporting a bad one.
bool TakeSearchWords(CommandArgs& args, const FolderDefinition& folder,
                     std::map<std::string, std::string>& words)
{
    std::string option;
    while (TakeOption(args, "search", option)) {
        size_t equals = option.find('=');
        if (equals == std::string::npos) {
            CommandFailure("--search needs FIELD=WORD, not \"" + option + "\"");
            return false;
        }
        std::string field = option.substr(0, equals);
        const FolderSearchField* known = nullptr;
        for (const FolderSearchField& searchField : folder.searchFields)
            if (SameNameIgnoringCase(searchField.field, field))
                known = &searchField;
        if (!known) {
            std::string fields;
            for (const FolderSearchField& searchField : folder.searchFields)
                fields += " " + searchField.field;
            CommandFailure("the " + folder.name + " folder cannot be searched by \"" + field +
                           "\"" +
                           (fields.empty() ? " (it has no search)" : " (fields:" + fields + ")"));
            return false;
        }
        words[known->field] = option.substr(equals + 1);
    }
    return true;
}

// The view's search: its own conditions again, then one "like" condition per
// search field that has a word, in the form's field order.
void AddSearchConditions(CGridBinding& binding, const FolderDefinition& folder,
                         const std::string& user, const std::map<std::string, std::string>& words)
{
    binding.ClearWhere();
    for (const std::string& condition : FolderConditions(folder, user))
        binding.AddWhere(condition);
    for (const FolderSearchField& field : folder.searchFields) {
        auto word = words.find(field.field);
        if (word == words.end())
            continue;
        std::string condition = SearchCondition(field.field, word->second);
        if (!condition.empty())
            binding.AddWhere(condition);
    }
}

void PrintGrid(const GridTable& grid)
{
    for (int row = 0; row < grid.GetRowCount(); ++row) {
        for (int col = 0; col < grid.GetColumnCount(); ++col)
            std::printf("%s%s", col ? "\t" : "", grid.GetText(row, col).c_str());
        std::printf("\n");
    }
}

int RunList(const CommandArgs& given)
{
    CommandArgs args = given;
    std::string connect;
    std::string user;
    if (!TakeConnect(args, connect, "list"))
        return 1;
    TakeOption(args, "user", user);
    if (args.empty())
        return CommandFailure("list needs a FOLDER: drafts, sent, inbox or notify");
    const FolderDefinition* folder = FindFolder(args[0]);
    if (!folder)
        return CommandFailure("unknown folder \"" + args[0] + "\": drafts, sent, inbox or notify");
    args.erase(args.begin());
    CDbSession session;
    if (!OpenSession(args, session, connect) || !ResolveUser(session, user, "list"))
        return 1;
    std::map<std::string, std::string> words;
    bool searching = std::find(args.begin(), args.end(), "--search") != args.end();
    if (!TakeSearchWords(args, *folder, words))
        return 1;
    if (!args.empty())
        return CommandFailure("unexpected argument \"" + args[0] + "\"");

    GridTable grid;
    CGridBinding binding;
    binding.AttachGrid(&grid);
    DeclareFolder(binding, *folder, user);
    binding.SetupColumns();
    if (searching)
        AddSearchConditions(binding, *folder, user, words);
    if (binding.Fill(&session) < 1) {
        std::fprintf(stderr, "%s\n", binding.GetLastErrorText().c_str());
        return 1;
    }
    ApplyAfterFill(binding, *folder);
    PrintGrid(grid);
    return 0;
}

const VellumCommand kList(
    "list", "print a user's folder as its view lists it",
    "usage: vellum list FOLDER --connect CONNECTION --user NAME [--search FIELD=WORD ...]\n\n"
    "On a per-user database NAME must be the role CONNECTION logs in as, and may be left out.\n"
    "FOLDER is drafts, sent, inbox or notify. Prints the folder's header titles and then its\n"
    "rows, tab-separated, newest first and at most 200, exactly as the folder view fills its\n"
    "grid (with the attachment marks of drafts and sent). --search runs the view's search\n"
    "instead: sent searches MailTo and Subject, notify MailFrom and Subject; quotes are\n"
    "removed from each WORD and an empty WORD adds nothing. NAME and WORD are taken as bytes\n"
    "of the host code page, and text is printed the same way. When the fill fails, the\n"
    "database's message goes to stderr and the exit code is 1.",
    RunList);

} // namespace
