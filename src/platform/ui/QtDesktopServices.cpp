// Qt stands in for the platform's dialogs. A message box without an explicit
// icon gets the one the platform's application framework adds: an
// exclamation mark for OK and OK/Cancel, a question mark for Yes/No.
//
// The file dialog names file types by their suffix only. Qt's own naming
// reads each file's first bytes, and a read of the open database drops
// every lock this process holds on it (see platform/fs/HeldOpenFiles.h).
#include "platform/ui/QtDesktopServices.h"

#include "platform/ui/FileDialogColumns.h"
#include "platform/ui/FileFilter.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/QtText.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QMenu>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QSpacerItem>
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
    case MessageButtons::SaveDiscardCancel:
        return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconFor(MessageButtons buttons, MessageIcon icon)
{
    if (icon == MessageIcon::Error)
        return QMessageBox::Critical;
    if (icon == MessageIcon::Information)
        return QMessageBox::Information;
    bool question =
        buttons == MessageButtons::YesNo || buttons == MessageButtons::SaveDiscardCancel;
    return question ? QMessageBox::Question : QMessageBox::Warning;
}

MessageAnswer AnswerFor(int button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
    case QMessageBox::Save:
        return MessageAnswer::Yes;
    case QMessageBox::No:
    case QMessageBox::Discard:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Ok;
    }
}

// Icons and type names from the file name alone, never from the contents.
class SuffixIconProvider : public QFileIconProvider
{
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }

    QIcon icon(const QFileInfo& info) const override
    {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }

    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QString::fromUtf8("文件夹");
        return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    }
};

// The keep-changes question reads as the module's own words whatever
// language Qt's translations speak.
void NameSaveButtons(QMessageBox& box)
{
    box.button(QMessageBox::Save)->setText(QString::fromUtf8("保存"));
    box.button(QMessageBox::Discard)->setText(QString::fromUtf8("不保存"));
    box.button(QMessageBox::Cancel)->setText(QString::fromUtf8("取消"));
}

// A short message makes a narrow box, and the window manager then cuts its
// caption to a few letters. The box is made at least as wide as the caption
// needs, with room for the title bar's buttons.
void KeepCaptionReadable(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    constexpr int kTitleBarButtons = 120;
    int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarButtons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

MessageAnswer QtDesktopServices::ShowMessage(QWidget* parent, const std::string& text,
                                             const std::string& caption, MessageButtons buttons,
                                             MessageIcon icon)
{
    QMessageBox box(IconFor(buttons, icon), ToQString(caption), ToQString(text),
                    ButtonsFor(buttons), parent);
    if (buttons == MessageButtons::SaveDiscardCancel)
        NameSaveButtons(box);
    KeepCaptionReadable(box);
    return AnswerFor(box.exec());
}

std::optional<std::string> QtDesktopServices::ChooseOpenFile(QWidget* parent,
                                                             const std::string& filter)
{
    SuffixIconProvider icons;
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
    dialog.setFileMode(QFileDialog::ExistingFile);
    UseDeskWordsInColumns(dialog);
    dialog.setNameFilter(ToQtFileFilter(ToQString(filter)));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FromQString(dialog.selectedFiles().first());
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

// Made on first use, so a process that never shows anything never touches
// the window system.
DesktopServices& DefaultDesktop()
{
    static QtDesktopServices qtDesktop;
    return qtDesktop;
}

} // namespace vellum::ui
