// A proxy between the dialog's file-system model and its views rewrites the
// texts of the size and date columns (the type column's words come from the
// dialog's icon provider); everything else, sorting and the
// names included, is the model's own. The texts come from what the model
// already knows of each file (its stat), so no file is read or opened.
#include "platform/ui/FileDialogColumns.h"

#include "platform/ui/Translations.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

#include <algorithm>

namespace vellum::ui {

namespace {

// QFileSystemModel's columns.
enum Column { kName = 0, kSize = 1, kType = 2, kModified = 3 };
constexpr int kDialogWidth = 720;

class DeskWordsModel : public QIdentityProxyModel
{
public:
    DeskWordsModel(QObject* parent, QLocale locale) : QIdentityProxyModel(parent), locale_(locale)
    {
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files)
            return QIdentityProxyModel::data(index, role);
        QModelIndex source = mapToSource(index);
        switch (index.column()) {
        case kSize:
            return files->isDir(source) ? QString()
                                        : locale_.formattedDataSize(files->size(source), 1);
        case kModified:
            return locale_.toString(files->lastModified(source), QLocale::ShortFormat);
        default:
            return QIdentityProxyModel::data(index, role);
        }
    }

private:
    QLocale locale_;
};

QLocale DeskLocale()
{
    std::string name = DesktopLocale();
    return name.empty() ? QLocale() : QLocale(QString::fromStdString(name));
}

} // namespace

void UseDeskWordsInColumns(QFileDialog& dialog)
{
    dialog.setProxyModel(new DeskWordsModel(&dialog, DeskLocale()));
    auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!details)
        return;
    // The name takes what the other columns leave, so none of them is
    // pushed out of sight; the dialog is made wide enough for a fair share.
    details->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
    for (int column : {kSize, kType, kModified})
        details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    dialog.resize(std::max(dialog.width(), kDialogWidth), dialog.height());
}

} // namespace vellum::ui
