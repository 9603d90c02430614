// CMailListView: the frame the four folder views share. A toolbar strip on
// top, a grid below, a binding between the grid and the folder's select.
//
// A view is constructed without a parent and without a window; the host sets
// the session and the user name, re-parents it into its frame and shows it.
// The first show builds the strip and the grid and runs the first fill; the
// view's deletion stores the column widths. What differs between the folders
// (table, columns, toolbar, grid id, after-fill step) comes from the folder
// table (FolderDefinitions.h); the actions of each toolbar live in the four
// subclasses, the ones they share (delete, search, opening the read dialog)
// here.
#pragma once

#include "folders/GridBinding.h"
#include "platform/ui/CommandTarget.h"
#include "ui/Layout.h"

#include <QWidget>

#include <string>

class CDbSession;
class CGridCtrl;
class CLayoutCtrl;
struct FolderDefinition;

class CMailListView : public QWidget, public vellum::ui::CommandTarget
{
public:
    ~CMailListView() override;

    // Set by the export before the host shows the view; the session is
    // borrowed and must outlive the view.
    CDbSession* m_pSession = nullptr;
    std::string m_strUserName;

    const FolderDefinition& GetFolder() const { return m_folder; }
    // Null until the view was first shown.
    CGridCtrl* GetGrid() const { return m_grid; }
    CGridBinding& GetBinding() { return m_binding; }

    // The delete command of the folder; subclasses add their own.
    bool OnCommand(int id) override;
    // A double click on the grid opens the row (command 6002, posted); a
    // right click is swallowed.
    std::optional<long> OnNotify(const vellum::ui::Notification& notification) override;

protected:
    explicit CMailListView(const FolderDefinition& folder);

    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // The first row of the grid's selection, or -1 after telling the user to
    // choose one (edit, open and read).
    int FirstSelectedRowOrComplain();
    // Opens the read dialog on the mail whose key is in the given column of
    // the first selected row; the row, or -1 when nothing was selected.
    int ReadSelectedMail(int keyColumn, const std::string& table);
    // The search form, then the folder's conditions plus one "like" per
    // field that has a word, a new fill and the after-fill step.
    void SearchRows();
    void ApplyAfterFillStep();
    void ShowMessage(const std::string& text);

    std::string m_strTable;
    std::string m_strKeyColumn;

private:
    void CreateWindowContents();
    void CreateToolbar(CLayoutRow* row);
    void CreateGrid(CLayoutRow* row);
    void DeclareAndFill();
    void SizeColumnsToRows();
    void DeleteSelectedRows();
    // False when the user chose to stop after a failed statement.
    bool DeleteRowFromTable(int row);

    const FolderDefinition& m_folder;
    CLayout m_layout;
    CLayoutCtrl* m_toolbar = nullptr;
    CGridCtrl* m_grid = nullptr;
    CGridBinding m_binding;
};
