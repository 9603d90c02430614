// The column-width file. Widths are stored as plain decimal pixels; the
// clamp on reading keeps a hand-edited or stale file from hiding a column or
// making one wider than a screen.
#include "folders/ColumnWidths.h"

#include "base/IniDocument.h"
#include "base/LeadingNumber.h"
#include "base/TextHelpers.h"
#include "grid/GridTable.h"
#include "platform/fs/ModuleHome.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int NarrowestStoredWidth = 80;
constexpr int WidestStoredWidth = 400;

std::string WidthFilePath()
{
    return GetModuleDir() + "res/gridpos.ini";
}

} // namespace

void LoadColumnWidths(GridTable* grid, const std::string& section)
{
    if (!grid)
        return;
    CIniDocument document;
    document.Load(WidthFilePath());
    std::vector<std::string> pieces;
    int count = SplitString(document.Get(section, "ColumnWidth").value_or(""), ',', pieces);
    for (int i = 0; i < count && i < grid->GetColumnCount(); ++i) {
        if (grid->GetColumnWidth(i) == 0)
            continue;
        int width = LeadingInt(pieces[static_cast<size_t>(i)]);
        if (width < 1)
            width = NarrowestStoredWidth;
        grid->SetColumnWidth(i, std::min(width, WidestStoredWidth));
    }
}

bool HasStoredColumnWidths(const std::string& section)
{
    CIniDocument document;
    document.Load(WidthFilePath());
    return !document.Get(section, "ColumnWidth").value_or("").empty();
}

void SaveColumnWidths(GridTable* grid, const std::string& section)
{
    if (!grid)
        return;
    vellum::fs::MakeFolders(vellum::fs::ModuleHome() + "res");
    CIniDocument document;
    document.Load(WidthFilePath());
    std::vector<std::string> widths;
    for (int col = 0; col < grid->GetColumnCount(); ++col)
        widths.push_back(std::to_string(grid->GetColumnWidth(col)));
    document.Set(section, "ColumnWidth", JoinStrings(widths, ','));
    document.Save(WidthFilePath());
}
