// The toolbar as a user meets it: the source view's round trip, colours,
// fonts with their error boxes, the link and picture questions, pastes that
// leave scripts and sheets behind, and offscreen pictures of the design and
// source views (they land in the build folder's "screenshots/"; the README
// shows copies of them).
#include "EditorTestSupport.h"
#include "editor/PasteCleaner.h"
#include "platform/ui/DialogActions.h"
#include "platform/ui/WindowImage.h"
#include "support/Screenshots.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>

using namespace vellum::editor::testing;
using namespace vellum;
using vellum::testing::ScreenshotPath;

TEST_F(EditorTest, SourceBreaksOnlyBetweenBlocksAndAnUntouchedRoundTripKeepsTheMarkup)
{
    MakeEditor("<P title=\"a><DIV>\">a</P><PRE><DIV>x</DIV><DIV>y</DIV></PRE>"
               "<TABLE><TBODY><TR><TD>b</TD></TR></TBODY></TABLE>");
    std::string before;
    ASSERT_TRUE(editor->GetHTML(before));
    std::vector<QString> texts;
    for (int trip = 0; trip < 2; ++trip) {
        Click(CHtmlEditor::kSourceToggle);
        texts.push_back(editor->GetSourceView()->toPlainText());
        Click(CHtmlEditor::kSourceToggle);
        editor->FinishLoading();
        std::string after;
        ASSERT_TRUE(editor->GetHTML(after));
        EXPECT_EQ(after, before) << trip;
    }
    EXPECT_EQ(texts[1], texts[0]);
    const std::string text = ToUtf8(ui::FromQString(texts[0]));
    // Breaks before blocks, none inside a quoted value or inside PRE.
    EXPECT_NE(
        text.find("\n<P title=\"a><DIV>\">a</P>\n<PRE><DIV>x</DIV><DIV>y</DIV></PRE>\n<TABLE>"),
        std::string::npos)
        << text;
}

TEST_F(EditorTest, ColoursAreSentAsSixLowerCaseDigitsAndCancelChangesNothing)
{
    MakeEditor("<P>red blue back</P>");
    desktop.AnswerColor(ui::MakeColorRef(0, 0, 255));
    desktop.AnswerColor(ui::MakeColorRef(0x0a, 0xBC, 0x0d));
    desktop.AnswerColor(std::nullopt);
    Select("blue");
    Click(CHtmlEditor::kTextColor);
    Select("back");
    Click(CHtmlEditor::kBackColor);
    Select("red");
    Click(CHtmlEditor::kTextColor);
    EXPECT_EQ(desktop.ColorDialogCount(), 3);
    EXPECT_EQ(Body(), "<P>red <FONT color=\"#0000ff\">blue</FONT> <FONT "
                      "style=\"BACKGROUND-COLOR: #0abc0d\">back</FONT></P>");
}

TEST_F(EditorTest, FontListsApplyValidChoicesAndReportFailuresInErrorBoxes)
{
    MakeEditor("<P>abc</P>");
    QComboBox* sizes = List(CHtmlEditor::kFontSize);
    sizes->setItemText(0, "3");
    sizes->setItemText(1, "100");
    Select("abc");
    for (int index : {0, 1}) {
        sizes->setCurrentIndex(index);
        emit sizes->activated(index);
    }
    EXPECT_EQ(Body(), "<P>abc</P>");
    EXPECT_TRUE(desktop.Messages().empty());

    QComboBox* names = List(CHtmlEditor::kFontName);
    names->setCurrentIndex(0);
    emit names->activated(0);
    EXPECT_EQ(
        text::Utf16ToUtf8(Doc().GetElementsByTagName("FONT").at(0)->GetAttribute("face").value()),
        names->itemText(0).toStdString());

    // With nothing selected at all both commands fail.
    Doc().SetSelection(html::Selection::NoSelection());
    emit names->activated(0);
    sizes->setCurrentIndex(2);
    emit sizes->activated(2);
    ASSERT_EQ(desktop.Messages().size(), 2u);
    EXPECT_EQ(desktop.Messages()[0].text, "Change Font Name failed!");
    EXPECT_EQ(desktop.Messages()[1].text, "Change Font Size failed!");
    for (const ui::ShownMessage& message : desktop.Messages()) {
        EXPECT_EQ(message.caption, "Error");
        EXPECT_EQ(message.icon, ui::MessageIcon::Error);
    }
}

TEST_F(EditorTest, LinkAndPictureQuestionsGoThroughTheDesktop)
{
    MakeEditor("<P>site here</P>");
    Select("site");
    desktop.ActInModal([](QWidget& dialog) {
        ui::FillControl(dialog, 2001, "http://mail.example/a");
        ui::PressControl(dialog, 1);
    });
    Click(CHtmlEditor::kHyperlink);
    EXPECT_EQ(Body(), "<P><A href=\"http://mail.example/a\">site</A> here</P>");

    CaretIn("here", 4);
    desktop.AnswerOpenFile(std::string(VELLUM_BINARY_DIR) + "/images/Bold.gif");
    Click(CHtmlEditor::kImage);
    std::vector<html::Element*> images = Doc().GetElementsByTagName("IMG");
    ASSERT_EQ(images.size(), 1u);
    EXPECT_TRUE(images[0]->GetAttribute("src")->starts_with(u"data:image/gif;base64,R0lG"));

    CaretIn("here", 1);
    desktop.AnswerOpenFile(std::nullopt);
    Click(CHtmlEditor::kImage);
    EXPECT_EQ(Doc().GetElementsByTagName("IMG").size(), 1u);
    EXPECT_EQ(desktop.UnusedAnswers(), 0u);
}

TEST_F(EditorTest, PasteKeepsFormattingTablesAndListsButDropsScriptsHandlersAndSheets)
{
    const char* pasted =
        "<html><head><style>body { color: red; font-size: 40px }</style>"
        "<script>steal()</script></head><body onload=\"x()\">"
        "<!--StartFragment--><p class=MsoNormal style=\"color: blue\"><b onclick=\"y()\">bold</b>"
        " <a href=\" JavaScript:z()\">link</a></p><style>p { margin: 0 }</style>"
        "<table border=1><tr><td onmouseover=\"w()\">cell</td></tr></table>"
        "<ul><li>one</li></ul><iframe src=\"http://x/\"></iframe><!--EndFragment--></body></html>";
    EXPECT_EQ(text::Utf16ToUtf8(CleanPastedHtml(text::Utf8ToUtf16(pasted))),
              "<P class=\"MsoNormal\" style=\"color: blue\"><B>bold</B> <A>link</A></P>"
              "<TABLE border=\"1\"><TBODY><TR><TD>cell</TD></TR></TBODY></TABLE>"
              "<UL><LI>one</LI></UL>");

    MakeEditor("<P>ab</P>");
    CaretIn("ab", 1);
    auto* data = new QMimeData;
    data->setHtml(QString::fromUtf8(pasted));
    QGuiApplication::clipboard()->setMimeData(data);
    QTest::keyClick(editor->GetView(), Qt::Key_V, Qt::ControlModifier);
    std::string body = Body();
    for (const char* gone : {"script", "SCRIPT", "steal", "onclick", "onmouseover", "STYLE",
                             "font-size", "IFRAME", "JavaScript"})
        EXPECT_EQ(body.find(gone), std::string::npos) << gone << " in " << body;
    for (const char* kept : {"<B>bold</B>", "<TD>cell</TD>", "<LI>one</LI>"})
        EXPECT_NE(body.find(kept), std::string::npos) << kept << " not in " << body;
}

constexpr char kBody[] =
    "<P>张经理：</P>"
    "<P>附件是<B>第三季度</B>的销售汇总，请在周五前<FONT color=\"#cc0000\">审核</FONT>。"
    "主要数据如下：</P>"
    "<TABLE border=1 cellpadding=3 width=420><TBODY>"
    "<TR><TD><B>地区</B></TD><TD><B>销售额</B></TD><TD><B>增长</B></TD></TR>"
    "<TR><TD>华东</TD><TD>1,280,000</TD><TD>12%</TD></TR>"
    "<TR><TD>华南</TD><TD>960,000</TD><TD>8%</TD></TR></TBODY></TABLE>"
    "<UL><LI>下周一召开评审会议</LI><LI>请各部门准备汇报材料</LI></UL>"
    "<P>谢谢！<BR>李明</P>";

TEST_F(EditorTest, ScreenshotsOfTheDesignAndSourceViews)
{
    window->resize(560, 320);
    MakeEditor(kBody);
    editor->resize(560, 320);
    Select("销售汇总");
    editor->OnCommand(CHtmlEditor::kRefreshToolbar);
    QApplication::processEvents();
    const std::string design = ScreenshotPath("editor.png");
    ASSERT_TRUE(ui::RenderToPng(*window, design));
    QImage designImage(QString::fromStdString(design));
    EXPECT_EQ(designImage.size(), QSize(560, 320));

    Click(CHtmlEditor::kSourceToggle);
    const std::string source = ScreenshotPath("editor-source.png");
    ASSERT_TRUE(ui::RenderToPng(*window, source));
    EXPECT_NE(QImage(QString::fromStdString(source)), designImage);
}
