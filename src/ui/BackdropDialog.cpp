// Escape, the close box and QDialog's own reject all end as the Cancel
// command, Enter as the default button's command (OK when there is none), as
// with the platform's dialog manager.
#include "ui/BackdropDialog.h"

#include "platform/ui/DesktopServices.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/SystemColors.h"
#include "ui/ImageButton.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

using namespace vellum::ui;

CBackdropDialog::CBackdropDialog(QWidget* parent)
    : QDialog(parent), backColor(GetSystemColor(SystemColor::ButtonFace))
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    setGeometry(0, 0, kInitialWidth, kInitialHeight);
}

int CBackdropDialog::DoModal(QWidget* parent)
{
    if (parent && parent != parentWidget())
        setParent(parent, windowFlags());
    exists_ = true;
    OnInitDialog();
    int result = CurrentDesktop().RunModal(*this);
    exists_ = false;
    OnDestroyWindow();
    return result;
}

void CBackdropDialog::SetSize(int width, int height)
{
    if (exists_)
        resize(width, height);
}

void CBackdropDialog::ShowBeforeFilling()
{
    setWindowModality(Qt::ApplicationModal);
    show();
}

void CBackdropDialog::CenterOnParent()
{
    QRect area;
    if (parentWidget())
        area = parentWidget()->window()->geometry();
    else if (screen())
        area = screen()->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

bool CBackdropDialog::OnCommand(int id)
{
    if (id == kDialogOk) {
        OnOK();
        return true;
    }
    if (id == kDialogCancel) {
        OnCancel();
        return true;
    }
    return false;
}

void CBackdropDialog::OnOK()
{
    done(kDialogOk);
}

void CBackdropDialog::OnCancel()
{
    done(kDialogCancel);
}

void CBackdropDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(backColor));
}

void CBackdropDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        OnCommand(kDialogCancel);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (CImageButton* button : findChildren<CImageButton*>()) {
            if (button->IsDefaultButton() && button->isEnabled()) {
                button->click();
                return;
            }
        }
        OnCommand(kDialogOk);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CBackdropDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (isVisible())
        OnCommand(kDialogCancel);
}

void CBackdropDialog::reject()
{
    OnCommand(kDialogCancel);
}
