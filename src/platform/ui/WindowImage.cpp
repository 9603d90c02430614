// grab() paints the widget tree into a pixmap without a screen, so the same
// code works offscreen and on a desktop.
#include "platform/ui/WindowImage.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace vellum::ui {

bool RenderToPng(QWidget& window, const std::string& utf8Path)
{
    if (!window.isVisible())
        window.show();
    QCoreApplication::processEvents();
    QPixmap picture = window.grab();
    if (picture.isNull())
        return false;
    return picture.save(QString::fromUtf8(utf8Path.data(), static_cast<qsizetype>(utf8Path.size())),
                        "PNG");
}

} // namespace vellum::ui
