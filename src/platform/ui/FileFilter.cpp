// The description may already quote its patterns ("所有文件 (*.*)"); Qt reads
// the patterns from the last parentheses, so the description's own are
// stripped before ours are appended.
#include "platform/ui/FileFilter.h"

#include <QStringList>

namespace vellum::ui {
namespace {

QString PatternsForQt(const QString& patterns)
{
    QStringList result;
    for (const QString& piece : patterns.split(';', Qt::SkipEmptyParts)) {
        QString pattern = piece.trimmed();
        result << (pattern == "*.*" ? QString("*") : pattern);
    }
    return result.join(' ');
}

QString DescriptionWithoutPatterns(const QString& description)
{
    QString text = description.trimmed();
    if (text.endsWith(')')) {
        qsizetype open = text.lastIndexOf('(');
        if (open > 0)
            text = text.left(open).trimmed();
    }
    return text;
}

} // namespace

QString ToQtFileFilter(const QString& platformFilter)
{
    QStringList parts = platformFilter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            break;
        QString patterns = PatternsForQt(parts[i + 1]);
        if (patterns.isEmpty())
            continue;
        filters << DescriptionWithoutPatterns(parts[i]) + " (" + patterns + ")";
    }
    return filters.join(";;");
}

} // namespace vellum::ui
