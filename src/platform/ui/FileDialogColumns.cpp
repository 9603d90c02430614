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

namespace vellum::ui {

namespace {

// QFileSystemModel's columns.
enum Column { kName = 0, kSize = 1, kType = 2, kModified = 3 };

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
    for (int column : {kSize, kType, kModified})
        details->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

} // namespace vellum::ui
