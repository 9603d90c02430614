// Each folder view's column widths, kept in "res/gridpos.ini" under a
// section named after the view's class, key ColumnWidth ("60,30,120,...").
// A missing or unreadable file leaves the widths alone; a failed save says
// nothing.
#pragma once

#include <string>

class GridTable;

// Applies the stored widths to the first columns, each held to 80..400
// (a piece below 1, or not a number, counts as 80). A column the view has
// hidden (width 0) stays hidden: its stored 0 is the view's, not a user's.
void LoadColumnWidths(GridTable* grid, const std::string& section);

// True when the file holds widths for the section (a view used before).
bool HasStoredColumnWidths(const std::string& section);

// Stores every column's width, creating the "res" folder when needed and
// keeping the file's other sections.
void SaveColumnWidths(GridTable* grid, const std::string& section);
