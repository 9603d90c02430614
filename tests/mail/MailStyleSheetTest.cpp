// Mails styled by their STYLE elements, seen as a reader sees them: each of
// the test mails in tests/mail/styled (a newsletter laid out by class rules
// in a sheet inside BODY with a hidden preheader, word-processor output with
// MsoNormal paragraphs and Chinese text, a business report whose table is
// styled by classes, an invitation whose columns a media query stacks, an
// order notice with percentage padding and a spacer table, a launch mail
// with a hero block, cards in a row of inline blocks and a footer with
// border spacing, a digest whose rows a media query makes blocks) opens in
// the real read dialog offscreen; the test reads the computed style of
// named elements and the colours painted over them.
#include "MailDialogTest.h"
#include "editor/HtmlViewerWnd.h"
#include "html/Document.h"
#include "htmlview/HtmlView.h"
#include "mail/MailReadDlg.h"
#include "platform/text/CodePage.h"
#include "support/Screenshots.h"

#include <QFontInfo>
#include <QImage>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

using namespace vellum;
using namespace vellum::html;

std::string ReadMail(const std::string& name)
{
    std::ifstream file(std::string(VELLUM_STYLED_MAILS_DIR) + "/" + name);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// What a test looks at in the open dialog.
struct Shown
{
    HtmlView* view = nullptr;
    QImage picture; // the viewport as painted

    Element* ById(const char* id) const
    {
        for (Element* element : view->Layout().GetDocument().GetElementsByTagName("*"))
            if (element->GetAttribute("id") == text::Utf8ToUtf16(id))
                return element;
        ADD_FAILURE() << "no element " << id;
        return nullptr;
    }
    QRectF Rect(const char* id) const
    {
        Element* element = ById(id);
        return element ? view->Layout().ElementRect(*element) : QRectF();
    }
    // The style of the text at the start of the element's first text.
    TextStyle TextOf(const char* id) const
    {
        Node* node = ById(id);
        while (node && !node->IsText())
            node = node->FirstChild();
        return view->Layout().TextStyleAt({node, 0});
    }
    // The share of the element's painted area that is near `color`.
    double Share(const char* id, QColor color) const { return ShareIn(Rect(id), color); }
    double ShareIn(const QRectF& area, QColor color) const
    {
        QRect bounded = area.toAlignedRect().intersected(picture.rect());
        if (bounded.isEmpty())
            return 0;
        int count = 0;
        for (int y = bounded.top(); y <= bounded.bottom(); ++y)
            for (int x = bounded.left(); x <= bounded.right(); ++x) {
                QColor pixel = picture.pixelColor(x, y);
                count += std::abs(pixel.red() - color.red()) <= 3 &&
                         std::abs(pixel.green() - color.green()) <= 3 &&
                         std::abs(pixel.blue() - color.blue()) <= 3;
            }
        return double(count) / (bounded.width() * bounded.height());
    }
};

class MailStyleSheetTest : public MailDialogTest
{
protected:
    // Opens the mail in the read dialog and runs `look` on what it shows.
    void Open(const std::string& file, const std::function<void(const Shown&)>& look)
    {
        std::string body = text::FromUtf8(ReadMail(file));
        std::string quoted;
        for (char c : body)
            quoted += c == '\'' ? std::string("''") : std::string(1, c);
        Run("insert into SystemMailCopy(MailFrom,MailTo,Subject,Body,MailTime) values "
            "('wang','li','styled','" +
            quoted + "','2026-12-07 09:00:00')");
        bool looked = false;
        m_desktop.ActInModal([&](QWidget& window) {
            Shown shown;
            shown.view = static_cast<CMailReadDlg&>(window).GetViewer()->GetView();
            shown.view->Layout().Update();
            shown.picture = shown.view->viewport()->grab().toImage();
            shown.picture.save(QString::fromStdString(vellum::testing::ScreenshotPath(
                ("styled-" + file.substr(0, file.find('.')) + ".png").c_str())));
            look(shown);
            looked = true;
        });
        CMailReadDlg dialog;
        dialog.m_nKeyId = 1;
        dialog.m_strTable = "SystemMailCopy";
        dialog.m_strUserName = "li";
        dialog.m_pSession = &m_session;
        dialog.DoModal();
        EXPECT_TRUE(looked);
    }
};

TEST_P(MailStyleSheetTest, NewsletterLaidOutByRulesInItsBody)
{
    Open("newsletter.html", [](const Shown& shown) {
        EXPECT_TRUE(shown.Rect("preheader").isNull()) << "the preheader stays hidden";
        QRectF container = shown.Rect("container");
        EXPECT_NEAR(container.width(), 600, 1);
        EXPECT_NEAR(container.center().x(), shown.picture.width() / 2.0, 2) << "centred";
        // The page's colour around the white column, margins and all.
        QRectF left(0, 0, container.left(), shown.picture.height());
        EXPECT_GT(shown.ShareIn(left, QColor(0xe8, 0xee, 0xf4)), 0.97);
        EXPECT_GT(shown.Share("masthead", QColor(0x5b, 0x2a, 0x86)), 0.7);
        EXPECT_EQ(shown.TextOf("masthead").color, QColor(Qt::white));
        EXPECT_TRUE(shown.TextOf("masthead").font.bold());
        EXPECT_NEAR(shown.Rect("masthead").height(), 24 * 2 + 28, 6);
        EXPECT_GT(shown.Share("callout", QColor(0xef, 0xe4, 0xf7)), 0.7);
        QRectF callout = shown.Rect("callout");
        EXPECT_GT(shown.ShareIn(QRectF(callout.left(), callout.top(), 6, callout.height()),
                                QColor(0x8e, 0x44, 0xad)),
                  0.95)
            << "the purple left border";
        EXPECT_EQ(shown.TextOf("callout").color, QColor(0x5b, 0x2a, 0x86));
    });
}

TEST_P(MailStyleSheetTest, WordProcessorMailKeepsItsRedWarningAndTightParagraphs)
{
    Open("wordprocessor.html", [](const Shown& shown) {
        TextStyle red = shown.TextOf("red");
        EXPECT_EQ(red.color, QColor(Qt::red));
        EXPECT_TRUE(red.font.bold());
        EXPECT_EQ(red.font.pixelSize(), 14); // 10.5 pt
        // No paragraph margins: the greeting and the warning touch.
        EXPECT_NEAR(shown.Rect("warning").top(), shown.Rect("greeting").bottom(), 1);
        QRectF report = shown.Rect("report");
        EXPECT_LT(report.height(), 4 * 24) << "four rows of one line each";
        EXPECT_GT(shown.ShareIn(report, QColor(0xd9, 0xe2, 0xf3)), 0.15) << "the heading row";
    });
}

TEST_P(MailStyleSheetTest, ReportTableStyledByClasses)
{
    Open("report.html", [](const Shown& shown) {
        EXPECT_GT(shown.ShareIn(QRectF(0, shown.picture.height() - 40, shown.picture.width(), 40),
                                QColor(0xfa, 0xfa, 0xfa)),
                  0.99);
        EXPECT_NEAR(shown.Rect("report").width(), 560, 1);
        EXPECT_GT(shown.Share("head", QColor(0x37, 0x47, 0x4f)), 0.7);
        EXPECT_GT(shown.Share("even", QColor(236, 239, 241)), 0.6) << "the striped row";
        EXPECT_GT(shown.Share("total", QColor(0xff, 0xf8, 0xe1)), 0.6);
        TextStyle negative = shown.TextOf("neg");
        EXPECT_EQ(negative.color, QColor(0xc6, 0x28, 0x28));
        EXPECT_TRUE(negative.font.bold());
        QRectF cell = shown.Rect("neg");
        QRectF title = shown.Rect("title");
        EXPECT_EQ(shown.TextOf("title").color, QColor(0x1a, 0x23, 0x7e));
        EXPECT_GT(shown.ShareIn(QRectF(title.left(), title.bottom() - 3, title.width(), 3),
                                QColor(0x1a, 0x23, 0x7e)),
                  0.95)
            << "the rule under the title";
        // Right-aligned numbers: the text's pixels are all in the right half.
        auto inked = [&](qreal from, qreal to) {
            int count = 0;
            for (int x = int(from); x < int(to); ++x)
                for (int y = int(cell.top()) + 1; y < int(cell.bottom()) - 2; ++y)
                    count += qGreen(shown.picture.pixel(x, y)) < 160;
            return count;
        };
        EXPECT_EQ(inked(cell.left(), cell.center().x()), 0);
        EXPECT_GT(inked(cell.center().x(), cell.right()), 20);
    });
}

TEST_P(MailStyleSheetTest, InvitationOfTwoColumnsStacksThemWhenNarrow)
{
    Open("event.html", [](const Shown& shown) {
        shown.view->Layout().SetWidth(480);
        QRectF left = shown.Rect("left"), right = shown.Rect("right");
        EXPECT_NEAR(right.left(), left.left(), 1) << "stacked below the media query's width";
        EXPECT_GE(right.top(), left.bottom() - 1);
        EXPECT_NEAR(right.width(), shown.Rect("main").width() - 60, 1);
    });
}

TEST_P(MailStyleSheetTest, OrderNoticeWithPercentPaddingAndATallSpacer)
{
    Open("order.html", [](const Shown& shown) {
        EXPECT_NEAR(shown.Rect("title").left() - shown.Rect("card").left(), 30, 1) << "5 % of 600";
        EXPECT_NEAR(shown.Rect("spacer").height(), 24, 1);
    });
}

TEST_P(MailStyleSheetTest, LaunchWithAHeroCardsInARowAndASpacedFooter)
{
    Open("launch.html", [](const Shown& shown) {
        EXPECT_EQ(QFontInfo(shown.TextOf("hero").font).family(), "Liberation Sans") << "Arial";
        EXPECT_GT(shown.Share("hero", QColor(0x1d, 0x5c, 0x63)), 0.7);
        QRectF one = shown.Rect("card1"), two = shown.Rect("card2"), three = shown.Rect("card3");
        EXPECT_EQ(QPointF(two.left(), two.top()), QPointF(one.right() + 10, one.top()));
        EXPECT_NEAR(three.center().x(), shown.Rect("cards").center().x(), 1) << "wraps, centred";
        QRectF foot = shown.Rect("foot"), help = shown.Rect("help");
        EXPECT_EQ(help.topLeft() - foot.topLeft(), QPointF(10, 6)) << "border spacing";
        EXPECT_GT(shown.ShareIn(QRectF(help.right() + 1, help.top(), 8, help.height()),
                                QColor(0xd7, 0xd2, 0xc6)),
                  0.95);
        shown.view->Layout().SetWidth(480);
        one = shown.Rect("card1"), two = shown.Rect("card2");
        EXPECT_EQ(QRectF(two.left(), two.top() - 10, two.width(), 0),
                  QRectF(one.left(), one.bottom(), 460, 0))
            << "stacked at the full width when narrow";
    });
}

TEST_P(MailStyleSheetTest, DigestWithRowsMadeBlocksAndInlineBlockCells)
{
    Open("digest.html", [](const Shown& shown) {
        EXPECT_NEAR(shown.Rect("tips").left(), shown.Rect("news").right(), 1);
        QRectF first = shown.Rect("tag1"), fifth = shown.Rect("tag5");
        EXPECT_EQ(fifth.topLeft(), first.bottomLeft()) << "the fifth tag wraps";
        EXPECT_NEAR(shown.Rect("link1").left() - shown.Rect("links").left(), 8, 1);
        shown.view->Layout().SetWidth(480);
        QRectF news = shown.Rect("news"), tips = shown.Rect("tips");
        EXPECT_EQ(tips.topLeft(), news.bottomLeft()) << "the row made a block stacks its cells";
        EXPECT_NEAR(news.width(), 480, 1);
    });
}

VELLUM_ON_SQLITE(MailStyleSheetTest);

} // namespace
