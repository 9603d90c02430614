// Pictures travel with the mail: a picture on the real (offscreen) Qt
// clipboard pasted with Ctrl+V into the compose dialog's body, or an image
// file dropped on it, is saved on a real SQLite file as a data URL, and the
// read dialog paints the picture's colour where it stands.
#include "MailDialogTest.h"
#include "editor/HtmlEditor.h"
#include "editor/HtmlViewerWnd.h"
#include "htmlview/HtmlView.h"
#include "mail/MailEditDlg.h"
#include "mail/MailReadDlg.h"
#include "platform/ui/DialogActions.h"
#include "support/Screenshots.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace {

using namespace vellum;
using namespace vellum::html;

QByteArray Encoded(QColor color, const char* format)
{
    QImage image(120, 80, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

void CtrlKey(HtmlView& view, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
    QApplication::sendEvent(&view, &press);
}

std::size_t Images(HtmlView& view)
{
    return view.GetDocument().GetElementsByTagName("IMG").size();
}

// The share of the painted pixels of the body's first picture within 8 of
// `color` in every channel.
double PaintedShare(HtmlView& view, QColor color)
{
    view.Layout().Update();
    QImage painted = view.viewport()->grab().toImage();
    std::vector<Element*> images = view.GetDocument().GetElementsByTagName("IMG");
    if (images.empty())
        return 0;
    QRect area = view.Layout().ElementRect(*images[0]).toAlignedRect() & painted.rect();
    int near = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            QColor pixel = painted.pixelColor(x, y);
            near += std::abs(pixel.red() - color.red()) <= 8 &&
                    std::abs(pixel.green() - color.green()) <= 8 &&
                    std::abs(pixel.blue() - color.blue()) <= 8;
        }
    return area.isEmpty() ? 0 : double(near) / (area.width() * area.height());
}

class MailPictureTest : public MailDialogTest
{
};

TEST_P(MailPictureTest, PastedAndDroppedPicturesReachTheReader)
{
    struct Case
    {
        // A clipboard format; "drop" drops the picture's file, "html" pastes
        // markup naming it, "html+bytes" a remote IMG with the bytes along.
        const char* given;
        const char* stored;
        QColor color;
    } cases[] = {
        {"image/png", "data:image/png;base64,", QColor(Qt::red)},
        {"image/jpeg", "data:image/jpeg;base64,", QColor(Qt::blue)},
        {"image/bmp", "data:image/png;base64,", QColor(Qt::darkGreen)},
        {"drop", "data:image/png;base64,", QColor(Qt::magenta)},
        {"html", "data:image/png;base64,", QColor(Qt::cyan)},
        {"html+bytes", "data:image/png;base64,", QColor(Qt::darkYellow)},
    };
    int key = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        const std::string given = c.given, file = m_folder.Path() + "picture.png";
        QFile out(QString::fromStdString(file));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(Encoded(c.color, "png"));
        out.close();
        std::size_t beforeUndo = 0, afterUndo = 0, afterRedo = 0;
        m_desktop.ActInModal([&](QWidget& window) {
            HtmlView& view = *static_cast<CMailEditDlg&>(window).GetEditor()->GetView();
            view.setFocus();
            auto* data = new QMimeData;
            if (given == "drop") {
                data->setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
                QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, {});
                QApplication::sendEvent(view.viewport(), &enter);
                QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, {});
                QApplication::sendEvent(view.viewport(), &drop);
                delete data;
            } else {
                if (given.starts_with("html"))
                    data->setHtml(QString::fromStdString(
                        "<P>see <IMG src=\"" +
                        (given == "html" ? "file://" + file : "https://127.0.0.1:9/a.png") +
                        "\">"));
                else
                    data->setData(c.given, Encoded(c.color, c.given + 6));
                if (given == "html+bytes")
                    data->setData("image/png", Encoded(c.color, "png"));
                QGuiApplication::clipboard()->setMimeData(data);
                CtrlKey(view, Qt::Key_V);
            }
            beforeUndo = Images(view);
            CtrlKey(view, Qt::Key_Z);
            afterUndo = Images(view);
            CtrlKey(view, Qt::Key_Y);
            afterRedo = Images(view);
            window.grab().save(QString::fromStdString(vellum::testing::ScreenshotPath(
                ("picture-compose-" + std::to_string(key + 1) + ".png").c_str())));
            ui::PressControl(window, CMailEditDlg::kSaveId);
            ui::PressControl(window, ui::kDialogCancel);
        });
        CMailEditDlg compose;
        compose.m_pSession = &m_session;
        compose.m_strUserName = "li";
        compose.DoModal();
        key = compose.m_nKeyId;
        EXPECT_EQ(beforeUndo, 1u);
        EXPECT_EQ(afterUndo, 0u) << "one undo step takes the whole paste back";
        EXPECT_EQ(afterRedo, 1u);
        std::string body = Rows("select Body from SystemMail where KeyId=" + std::to_string(key));
        EXPECT_NE(body.find(std::string("<IMG src=\"") + c.stored), std::string::npos) << body;
        EXPECT_EQ(body.find(m_folder.Path()), std::string::npos) << "no local path is stored";

        double share = -1;
        m_desktop.ActInModal([&](QWidget& window) {
            HtmlView& view = *static_cast<CMailReadDlg&>(window).GetViewer()->GetView();
            share = PaintedShare(view, c.color);
            window.grab().save(QString::fromStdString(vellum::testing::ScreenshotPath(
                ("picture-read-" + std::to_string(key) + ".png").c_str())));
        });
        CMailReadDlg read;
        read.m_nKeyId = key;
        read.m_strTable = "SystemMail";
        read.m_strUserName = "wang";
        read.m_pSession = &m_session;
        read.DoModal();
        EXPECT_GT(share, 0.95) << "the reader sees the picture, not a placeholder";
    }
    EXPECT_TRUE(m_desktop.Messages().empty());
}

VELLUM_ON_SQLITE(MailPictureTest);

} // namespace
