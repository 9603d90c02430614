// The toolbar as a user meets it: its twenty controls in order, the source
// view switch with what it enables, the refresh that follows the caret,
// colours, fonts with their error boxes, the link and picture questions,
// pastes that leave scripts and sheets behind, and no context menu.
#include "EditorTestSupport.h"
#include "editor/PasteCleaner.h"
#include "platform/html/InlineStyle.h"
#include "platform/ui/DialogActions.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>

using namespace vellum::editor::testing;
using namespace vellum;

namespace {

class CommandLog : public QWidget, public ui::CommandTarget
{
public:
    bool OnCommand(int id) override
    {
        commands.push_back(id);
        return true;
    }
    std::vector<int> commands;
};

TEST_F(EditorTest, ToolbarHoldsTwentyControlsInOrderWithTheirWidthsAndKinds)
{
    MakeEditor("<P>x</P>");
    struct Tool
    {
        int id;
        int width;
        char kind; // t toggle, b strip button, l list
    };
    const Tool expected[] = {{8001, 18, 't'}, {8005, 120, 'l'}, {8006, 50, 'l'}, {8004, 18, 'b'},
                             {8002, 18, 'b'}, {8003, 18, 'b'},  {8007, 18, 't'}, {8008, 18, 't'},
                             {8009, 18, 't'}, {8010, 26, 'b'},  {8011, 26, 'b'}, {8013, 18, 't'},
                             {8015, 18, 't'}, {8014, 18, 't'},  {8016, 18, 't'}, {8017, 18, 't'},
                             {8018, 20, 'b'}, {8019, 26, 'b'},  {8029, 20, 'b'}, {8030, 20, 'b'}};
    CLayoutCtrl* toolbar = editor->GetToolbar();
    EXPECT_EQ(ui::ControlIdOf(toolbar), 10);
    EXPECT_EQ(toolbar->geometry(), QRect(0, 0, 640, 22));
    ASSERT_EQ(toolbar->GetLayout().rows.size(), 1u);
    const auto& items = toolbar->GetLayout().rows[0]->items;
    ASSERT_EQ(items.size(), std::size(expected));
    int previousX = -1;
    for (std::size_t i = 0; i < items.size(); ++i) {
        QWidget* control = items[i]->window;
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(ui::ControlIdOf(control), expected[i].id) << i;
        EXPECT_EQ(items[i]->placed.width, expected[i].width) << i;
        EXPECT_GT(items[i]->placed.x, previousX);
        previousX = items[i]->placed.x;
        auto* button = dynamic_cast<CImageButton*>(control);
        if (expected[i].kind == 'l') {
            EXPECT_NE(qobject_cast<QComboBox*>(control), nullptr) << i;
            continue;
        }
        ASSERT_NE(button, nullptr) << i;
        EXPECT_TRUE(button->HasImage()) << i;
        EXPECT_EQ(button->IsCheckBoxMode(), expected[i].kind == 't') << i;
    }
    QComboBox* sizes = List(8006);
    QStringList sizeTexts;
    for (int i = 0; i < sizes->count(); ++i)
        sizeTexts << sizes->itemText(i);
    EXPECT_EQ(sizeTexts, QStringList({"8", "10", "12", "14", "16", "24", "36"}));
    QComboBox* names = List(8005);
    ASSERT_GT(names->count(), 0);
    for (int i = 1; i < names->count(); ++i)
        EXPECT_LE(QString::compare(names->itemText(i - 1), names->itemText(i), Qt::CaseInsensitive),
                  0);
    EXPECT_EQ(ui::ControlIdOf(editor->GetView()), 5001);
    EXPECT_EQ(editor->GetView()->geometry(), QRect(0, 22, 640, 378));
}

TEST_F(EditorTest, SourceViewRoundTripKeepsChineseAndReturnsTypedTextOnlyAfterSwitchingBack)
{
    text::SetHostCodePage("GBK");
    MakeEditor("<P>中文正文</P>");
    Click(CHtmlEditor::kSourceToggle);
    ASSERT_TRUE(editor->IsSourceMode());
    QPlainTextEdit* source = editor->GetSourceView();
    EXPECT_TRUE(source->isVisible());
    EXPECT_EQ(editor->GetView()->height(), 0);
    // Each block starts a line of its own in the source.
    EXPECT_TRUE(source->toPlainText().endsWith("\n<BODY>\n<P>中文正文</P></BODY></HTML>"))
        << ToUtf8(ui::FromQString(source->toPlainText()));

    source->setPlainText(QString::fromUtf8("<HTML><BODY><P>改过的中文</P></BODY></HTML>"));
    std::string html;
    ASSERT_TRUE(editor->GetHTML(html));
    EXPECT_TRUE(ToUtf8(html).ends_with("<BODY><P>中文正文</P></BODY></HTML>")) << ToUtf8(html);

    Click(CHtmlEditor::kSourceToggle);
    ASSERT_FALSE(editor->IsSourceMode());
    ASSERT_TRUE(editor->GetHTML(html));
    EXPECT_EQ(ToUtf8(html), "<HTML><HEAD></HEAD><BODY><P>改过的中文</P></BODY></HTML>");
    EXPECT_FALSE(source->isVisible());
    EXPECT_EQ(editor->GetView()->height(), 378);
}

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

TEST_F(EditorTest, SourceViewDisablesEveryControlButItsToggleAndDesignViewEnablesBySelection)
{
    MakeEditor("<P>abc</P>");
    Click(CHtmlEditor::kSourceToggle);
    for (int id : {8002, 8003, 8004, 8005, 8006, 8007, 8010, 8013, 8016, 8018, 8019, 8029, 8030})
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
    EXPECT_TRUE(Control(8001)->isEnabled());
    EXPECT_EQ(Button(8001)->GetCheck(), 1);

    Click(CHtmlEditor::kSourceToggle);
    editor->FinishLoading();
    EXPECT_EQ(Button(8001)->GetCheck(), 0);
    for (int id : {8003, 8005, 8006, 8007, 8010, 8013, 8016, 8018, 8019, 8030})
        EXPECT_TRUE(Control(id)->isEnabled()) << id;
    for (int id : {8002, 8004, 8029})
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
    Select("bc");
    editor->OnCommand(CHtmlEditor::kRefreshToolbar);
    for (int id : {8002, 8004, 8029})
        EXPECT_TRUE(Control(id)->isEnabled()) << id;
}

TEST_F(EditorTest, ToolbarFollowsTheCaretThroughTheViewsSignal)
{
    MakeEditor("<P align=center><B><U>bold</U></B> plain <FONT size=5>big</FONT></P>"
               "<UL><LI>item</LI></UL>");
    CaretIn("bold", 2);
    ASSERT_TRUE(WaitFor([&] { return Button(CHtmlEditor::kBold)->GetCheck() == 1; }));
    EXPECT_EQ(Button(CHtmlEditor::kUnderline)->GetCheck(), 1);
    EXPECT_EQ(Button(CHtmlEditor::kItalic)->GetCheck(), 0);
    EXPECT_EQ(Button(CHtmlEditor::kAlignCenter)->GetCheck(), 1);
    EXPECT_EQ(List(CHtmlEditor::kFontSize)->currentText(), "16");

    CaretIn("big", 1);
    ASSERT_TRUE(WaitFor([&] { return List(CHtmlEditor::kFontSize)->currentText() == "24"; }));
    EXPECT_EQ(Button(CHtmlEditor::kBold)->GetCheck(), 0);
    CaretIn("item", 1);
    ASSERT_TRUE(WaitFor([&] { return Button(CHtmlEditor::kBulletedList)->GetCheck() == 1; }));
    EXPECT_EQ(Button(CHtmlEditor::kAlignCenter)->GetCheck(), 0);
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

TEST_F(EditorTest, NoContextMenuAndFocusLossIsCommand103ToTheParent)
{
    auto* parent = new CommandLog;
    parent->setParent(window.get());
    parent->resize(640, 400);
    MakeEditor("", parent);

    for (QWidget* target : {editor->GetView()->viewport(), editor->GetSourceView()->viewport()}) {
        QPoint at(10, 10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
        QApplication::processEvents();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }

    auto* other = new QLineEdit(window.get());
    other->show();
    other->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(parent->commands, std::vector<int>{103});
}

} // namespace
