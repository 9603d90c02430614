// CBackdropDialog: the base of every dialog of the module. It starts empty
// (the windows build their controls at run time, see CLayout), fills itself
// with its back colour, turns the OK and Cancel commands (1 and 2) into
// OnOK and OnCancel, and runs modally through the desktop services so tests
// can act in it.
#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/CommandTarget.h"

#include <QDialog>

class CBackdropDialog : public QDialog, public vellum::ui::CommandTarget
{
public:
    // 280 x 160 dialog units of the platform's system font (8 x 16 pixel
    // base units), at 0,0.
    static constexpr int kInitialWidth = 560;
    static constexpr int kInitialHeight = 320;

    explicit CBackdropDialog(QWidget* parent = nullptr);

    // Builds the window (OnInitDialog) and runs it modally: 1 for OK, 2 for
    // Cancel, or the code the dialog ended with.
    int DoModal(QWidget* parent = nullptr);

    // Resizes without moving, while the window exists.
    void SetSize(int width, int height);

    // True from the start of DoModal until the modal run has ended.
    bool WindowExists() const { return exists_; }

    vellum::ui::ColorRef backColor;

    bool OnCommand(int id) override;

protected:
    // Called once the window exists, before it is shown.
    virtual void OnInitDialog() {}
    virtual void OnOK();
    virtual void OnCancel();
    // Called after the modal run, when the window goes.
    virtual void OnDestroyWindow() {}
    // Centres the window over its parent's window, or on the screen.
    void CenterOnParent();
    // Shows the dialog, modal, before it is filled: a message the filling
    // shows (a missing row, a failed query) then stands over the dialog, not
    // alone on the screen.
    void ShowBeforeFilling();

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    bool exists_ = false;
};
