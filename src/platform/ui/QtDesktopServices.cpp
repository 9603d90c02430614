// Qt stands in for the platform's dialogs. A message box without an explicit
// icon gets the one the platform's application framework adds: an
// exclamation mark for OK and OK/Cancel, a question mark for Yes/No.
#include "platform/ui/QtDesktopServices.h"

#include "platform/ui/FileFilter.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/QtText.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QThread>
#include <QUrl>

namespace vellum::ui {
namespace {

QMessageBox::StandardButtons ButtonsFor(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconFor(MessageButtons buttons, MessageIcon icon)
{
    if (icon == MessageIcon::Error)
        return QMessageBox::Critical;
    return buttons == MessageButtons::YesNo ? QMessageBox::Question : QMessageBox::Warning;
}

MessageAnswer AnswerFor(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Ok;
    }
}

} // namespace

MessageAnswer QtDesktopServices::ShowMessage(QWidget* parent, const std::string& text,
                                             const std::string& caption, MessageButtons buttons,
                                             MessageIcon icon)
{
    QMessageBox box(IconFor(buttons, icon), ToQString(caption), ToQString(text),
                    ButtonsFor(buttons), parent);
    return AnswerFor(box.exec());
}

std::optional<std::string> QtDesktopServices::ChooseOpenFile(QWidget* parent,
                                                             const std::string& filter)
{
    QString path = QFileDialog::getOpenFileName(parent, QString(), QString(),
                                                ToQtFileFilter(ToQString(filter)));
    if (path.isEmpty())
        return std::nullopt;
    return FromQString(path);
}

std::optional<ColorRef> QtDesktopServices::ChooseColor(QWidget* parent, ColorRef initial)
{
    QColor color = QColorDialog::getColor(ToQColor(initial), parent);
    if (!color.isValid())
        return std::nullopt;
    return FromQColor(color);
}

bool QtDesktopServices::ShellOpen(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

void QtDesktopServices::BeginWaitCursor()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtDesktopServices::EndWaitCursor()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::restoreOverrideCursor();
}

// The module pauses to let a server settle; nothing is meant to happen on
// the user-interface thread meanwhile, as with the platform's sleep.
void QtDesktopServices::Pause(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

int QtDesktopServices::RunModal(QWidget& dialog)
{
    auto* qtDialog = qobject_cast<QDialog*>(&dialog);
    if (!qtDialog)
        return -1;
    return qtDialog->exec();
}

int QtDesktopServices::TrackPopupMenu(QWidget* parent, const std::vector<MenuEntry>& entries,
                                      int globalX, int globalY)
{
    QMenu menu(parent);
    for (const MenuEntry& entry : entries)
        menu.addAction(ToQString(entry.label))->setData(entry.command);
    QAction* chosen = menu.exec(QPoint(globalX, globalY));
    return chosen ? chosen->data().toInt() : 0;
}

} // namespace vellum::ui
