// CInputFormDlg: a small modal form that asks for a few values. The caller
// describes the fields in an ini document (one section per field: Caption,
// ControlType, Value, RowCount, ValueList; section "." holds Title), runs
// the form and reads the answers back from the same document. The folder
// views' search ("查找") and the editor's insert-table question use it.
#pragma once

#include "base/IniDocument.h"
#include "ui/BackdropDialog.h"
#include "ui/Layout.h"

#include <optional>
#include <string>

class CInputFormDlg : public CBackdropDialog
{
public:
    static constexpr int kFirstControlId = 2001;
    static constexpr int kWidth = 500;

    explicit CInputFormDlg(QWidget* parent = nullptr);

    // Texts are host code page bytes.
    void SetTitle(const std::string& title);
    // An EDIT field; other types are requested by writing ControlType (and
    // RowCount, ValueList) into the document directly.
    void AddField(const std::string& name, const std::string& caption);
    void SetValue(const std::string& name, const std::string& value);
    std::optional<std::string> GetValue(const std::string& name);

    CIniDocument& GetDocument() { return document_; }
    CLayout& GetLayout() { return layout_; }

protected:
    void OnInitDialog() override;
    void OnOK() override;
    void OnDestroyWindow() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* LiveControl(const std::string& name);
    int AddFieldRows(const std::string& name, int id);
    void AddButtonRow();

    CIniDocument document_;
    CLayout layout_;
};
