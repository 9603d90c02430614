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
#include "mail/RemotePictureBar.h"
#include "mail/RemotePictures.h"
#include "net/ScriptedServer.h"
#include "platform/net/LoopbackListener.h"
#include "platform/text/CodePage.h"
#include "platform/ui/DialogActions.h"
#include "support/Screenshots.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <fstream>
#include <map>
#include <mutex>

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

// The share of the painted pixels of the body's picture `index` within 8
// of `color` in every channel.
double PaintedShare(HtmlView& view, QColor color, std::size_t index = 0)
{
    view.Layout().Update();
    QImage painted = view.viewport()->grab().toImage();
    std::vector<Element*> images = view.GetDocument().GetElementsByTagName("IMG");
    if (images.size() <= index)
        return 0;
    QRect area = view.Layout().ElementRect(*images[index]).toAlignedRect() & painted.rect();
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

// Answers each request on 127.0.0.1 by its path (404 for any other) and
// logs every request head, until it goes.
class PictureServer
{
public:
    explicit PictureServer(std::map<std::string, std::string> answers)
        : thread_([this, answers = std::move(answers)] {
              while (!stop_) {
                  int fd = listener_.Accept(100);
                  if (fd < 0)
                      continue;
                  std::string head = vellum::testing::ReadHttpRequest(fd) + "    ";
                  auto answer = answers.find(head.substr(4, head.find(' ', 4) - 4));
                  vellum::testing::WriteAll(
                      fd, answer != answers.end() ? answer->second : "HTTP/1.0 404 No\r\n\r\n");
                  vellum::testing::CloseConnection(fd);
                  std::lock_guard lock(mutex_);
                  log_ += head;
              }
          })
    {
    }
    ~PictureServer()
    {
        stop_ = true;
        thread_.join();
    }
    std::string Url(const std::string& path, const char* scheme = "http") const
    {
        return scheme + ("://127.0.0.1:" + std::to_string(listener_.Port())) + path;
    }
    // The requests since the last call.
    std::string TakeLog()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(log_, {});
    }

private:
    vellum::testing::LoopbackListener listener_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string log_;
    std::thread thread_;
};

// A PNG answer; bytes after the picture's end do not change the picture.
std::string PngAnswer(QColor color, const char* status = "200 OK", std::size_t padding = 0)
{
    std::string body = Encoded(color, "png").toStdString() + std::string(padding, '\0');
    return std::string("HTTP/1.0 ") + status +
           "\r\nContent-Type: image/png\r\nSet-Cookie: s=1\r\n" +
           (padding ? "" : "Content-Length: " + std::to_string(body.size()) + "\r\n") + "\r\n" +
           body;
}

// Lets a mail dialog run until its bar shows and no picture is on its way,
// and keeps a picture of it.
template <typename Dialog> void Settle(Dialog& dialog, const std::string& screenshot)
{
    QDeadlineTimer limit(20000);
    while ((dialog.GetRemotePictures()->IsFetching() || dialog.GetPictureBar()->isHidden()) &&
           !limit.hasExpired()) {
        QEventLoop pause;
        QTimer::singleShot(20, &pause, &QEventLoop::quit);
        pause.exec();
    }
    dialog.grab().save(QString::fromStdString(vellum::testing::ScreenshotPath(screenshot.c_str())));
}

// Remote pictures stay on their servers until the reader asks, in both
// dialogs; the office's own show at once; nothing else is ever asked for.
// Each picture that must not show is one that would paint its colour.
TEST_P(MailPictureTest, RemotePicturesShowOnlyWhenAsked)
{
    PictureServer server({{"/red.png", PngAnswer(Qt::red)},
                          {"/office/blue.png", PngAnswer(Qt::blue)},
                          {"/big.png", PngAnswer(Qt::green, "200 OK", 5 << 20)},
                          {"/fail.png", PngAnswer(Qt::magenta, "500 Broken")}});
    std::filesystem::create_directories(m_folder.Path() + "data");
    std::ofstream(m_folder.Path() + "data/tolvan.ini")
        << "[.]\nHttpServer=" << server.Url("/office/") << "\n";
    // Held back: red, big, fail, the https one and the one naming a user
    // (never asked for); ignored: the ftp and file addresses.
    std::string body = "<HTML><BODY><P>";
    for (std::string source :
         {server.Url("/red.png"), server.Url("/office/blue.png"), " " + server.Url("/big.png"),
          server.Url("/fail.png"), std::string("HTTPS://127.0.0.1:9/g.png"),
          "http://li:pw@" + server.Url("/u.png").substr(7), server.Url("/f.png", "ftp"),
          std::string("file://elsewhere/f.png")})
        body += "<IMG src=\"" + source + "\">";
    body += "</P></BODY></HTML>";
    Run("insert into SystemMail(MailFrom,Body) values ('wang','" + body + "')");
    for (bool reading : {true, false}) {
        SCOPED_TRACE(reading ? "read" : "compose");
        std::string openedLog, askedLog, barOnOpen, barAfter, html;
        double office = 0, red = 0, unwanted = 1;
        auto look = [&](auto& dialog, HtmlView& view) {
            const std::string name = reading ? "remote-pictures-read" : "remote-pictures-compose";
            Settle(dialog, name + "-held.png");
            openedLog = server.TakeLog();
            barOnOpen = dialog.GetPictureBar()->Text();
            office = PaintedShare(view, Qt::blue, 1);
            ui::PressControl(dialog, RemotePictureBar::kShowPicturesId);
            Settle(dialog, name + "-asked.png");
            askedLog = server.TakeLog();
            barAfter = dialog.GetPictureBar()->Text();
            red = PaintedShare(view, Qt::red, 0);
            unwanted = PaintedShare(view, Qt::green, 2) + PaintedShare(view, Qt::magenta, 3);
        };
        if (reading) {
            m_desktop.ActInModal([&](QWidget& window) {
                auto& dialog = static_cast<CMailReadDlg&>(window);
                look(dialog, *dialog.GetViewer()->GetView());
            });
            CMailReadDlg read;
            read.m_nKeyId = 1;
            read.m_strTable = "SystemMail";
            read.m_pSession = &m_session;
            read.DoModal();
        } else {
            m_desktop.ActInModal([&](QWidget& window) {
                auto& dialog = static_cast<CMailEditDlg&>(window);
                look(dialog, *dialog.GetEditor()->GetView());
                dialog.GetEditor()->GetHTML(html);
            });
            CMailEditDlg compose;
            compose.m_Exchange.Set(".", "Body", body);
            compose.DoModal();
            EXPECT_NE(html.find("src=\"" + server.Url("/red.png")), std::string::npos) << html;
        }
        EXPECT_EQ(openedLog.find("GET /office/blue.png "), 0u) << openedLog;
        EXPECT_EQ(openedLog.find("GET", 1), std::string::npos) << "only the office's on open";
        EXPECT_GT(office, 0.95) << "the office's picture shows without a click";
        EXPECT_EQ(barOnOpen, vellum::text::FromUtf8("此邮件中的 5 张远程图片未显示"));
        for (const char* path : {"GET /red.png ", "GET /big.png ", "GET /fail.png "})
            EXPECT_NE(askedLog.find(path), std::string::npos) << path;
        for (const char* never : {"/f.png", "/u.png", "Cookie:", "Authorization:"})
            EXPECT_EQ((openedLog + askedLog).find(never), std::string::npos) << never;
        EXPECT_GT(red, 0.95) << "the fetched picture shows in place";
        EXPECT_LT(unwanted, 0.05) << "an oversized or failed picture keeps its box";
        EXPECT_EQ(barAfter, vellum::text::FromUtf8("此邮件中的 4 张远程图片未能显示"));
    }
}

// However many pictures a mail names, one dialog asks for at most 50.
TEST_P(MailPictureTest, AMailAsksForAtMostFiftyPictures)
{
    PictureServer server({});
    std::string body;
    for (int i = 0; i < 51; ++i)
        body += "<IMG src=\"" + server.Url("/" + std::to_string(i) + ".png") + "\">";
    Run("insert into SystemMail(MailFrom,Body) values ('wang','" + body + "')");
    std::string bar;
    m_desktop.ActInModal([&](QWidget& window) {
        auto& dialog = static_cast<CMailReadDlg&>(window);
        ui::PressControl(dialog, RemotePictureBar::kShowPicturesId);
        Settle(dialog, "remote-pictures-fifty.png");
        bar = dialog.GetPictureBar()->Text();
    });
    CMailReadDlg read;
    read.m_nKeyId = 1;
    read.m_strTable = "SystemMail";
    read.m_pSession = &m_session;
    read.DoModal();
    const std::string log = server.TakeLog();
    EXPECT_NE(log.find("GET /49.png "), std::string::npos) << "the first fifty, in order";
    EXPECT_EQ(log.find("GET /50.png "), std::string::npos) << log;
    EXPECT_EQ(bar, vellum::text::FromUtf8("此邮件中的 51 张远程图片未能显示"));
}

VELLUM_ON_SQLITE(MailPictureTest);

} // namespace
