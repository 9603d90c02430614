// Loading a body into the editor (the empty document, the read-only viewer)
// and the editor's own markup operations on it: CSS lengths, font sizes in
// pixels set and read, tables from the input form and the quick table, the
// table menu, and rows and columns around the current cell.
#include "editor/HtmlDocument.h"

#include "EditorTestSupport.h"
#include "editor/HtmlViewerWnd.h"
#include "editor/LocalPictures.h"
#include "html/Table.h"
#include "platform/ui/DialogActions.h"

#include <tuple>
#include <utility>

using namespace vellum::editor::testing;
using namespace vellum;

TEST_F(EditorTest, EmptyOrBlankInitialHtmlGivesTheDocumentOneEmptyDiv)
{
    MakeEditor("");
    std::string html;
    ASSERT_TRUE(editor->GetHTML(html));
    EXPECT_EQ(html, "<HTML><HEAD><META http-equiv=\"Content-Type\" content=\"text/html; "
                    "charset=gb2312\"></HEAD><BODY><DIV></DIV></BODY></HTML>");
    EXPECT_TRUE(editor->IsDocumentReady());
    EXPECT_TRUE(Doc().IsDesignMode());
    MakeEditor("<HTML><BODY>  \r\n\t </BODY></HTML>"); // a blank body, too
    EXPECT_EQ(Body(), "<DIV></DIV>");
}

TEST_F(EditorTest, ViewerShowsTheTextAsItIsReadOnly)
{
    text::SetHostCodePage("GBK");
    CHtmlViewerWnd viewer;
    ASSERT_TRUE(viewer.Create(QRect(0, 0, 300, 200), window.get(), 6008));
    viewer.SetHTML(FromUtf8("<HTML><BODY><P>读信</P><SCRIPT>x()</SCRIPT></BODY></HTML>"));
    window->show();
    viewer.resize(350, 250);
    QApplication::processEvents();
    html::HtmlView* view = viewer.GetView();
    EXPECT_EQ(ui::ControlIdOf(view), 5001);
    EXPECT_EQ(view->geometry(), QRect(0, 0, 350, 250));
    EXPECT_FALSE(view->IsEditable());
    EXPECT_EQ(text::Utf16ToUtf8(view->GetDocument().Body()->TextContent()), "读信x()");
}

TEST(CssLength, LeadingNumberScaledByTheFirstUnitAfterTheFirstCharacter)
{
    const std::pair<const char*, long> cases[] = {
        {"12pt", 16}, {"9pt", 12},  {"3mm", 11},     {"2cm", 76}, {"1pc", 16},
        {"1in", 96},  {"16px", 16}, {"16", 16},      {"0pt", 0},  {"pt", 0},
        {"", 0},      {"-3pt", -4}, {"10in pt", 13}, // pt is tested before in
        {"7 mm", 26}, {"x12pt", 0}, {"12.9pt", 16},
    };
    for (const auto& [text, pixels] : cases)
        EXPECT_EQ(CssLengthToPixels(text), pixels) << text;
}

TEST_F(EditorTest, FontSizeShownFollowsFontElementsThenTheBodyRule)
{
    const auto bodyRule = [](const char* size) {
        return std::string("<HTML><HEAD><STYLE>BODY { font-size: ") + size +
               " }</STYLE></HEAD><BODY><P>abc</P></BODY></HTML>";
    };
    const std::pair<std::string, int> cases[] = {
        {"<P><FONT size=5>abc</FONT></P>", 24},
        {"<P><FONT style=\"font-size: 9pt\" size=1>abc</FONT></P>", 12},
        {"<P><FONT size=2><FONT size=9>abc</FONT></FONT></P>", 14},
        {"<P><FONT size=4><B>abc</B></FONT></P>", 18},
        {bodyRule("12pt"), 16},
        {bodyRule("30px"), 30},
        {bodyRule("2px"), 16},
        {"<P>abc</P>", 16},
    };
    for (const auto& [html, pixels] : cases) {
        MakeEditor(html);
        CaretIn("abc", 1);
        EXPECT_EQ(editor->GetHtmlDocument().GetFontSizePixels(), pixels) << html;
    }
}

TEST_F(EditorTest, SizeFromTheListRewritesEverySizedFontOfTheBlockInPixels)
{
    MakeEditor("<P>aa<FONT size=2>bb</FONT>cc</P><P>dd<FONT size=3>ee</FONT></P>");
    Doc().SetTextRange(html::testing::FindText(Doc(), "aa"), 0,
                       html::testing::FindText(Doc(), "cc"), 2);
    QComboBox* sizes = List(CHtmlEditor::kFontSize);
    sizes->setCurrentIndex(sizes->findText("12"));
    emit sizes->activated(sizes->currentIndex());
    // The old size-2 FONT takes the new size with the rest of its block; the
    // next paragraph keeps its own.
    EXPECT_EQ(Body(), "<P><FONT style=\"FONT-SIZE: 12px\">aabbcc</FONT></P>"
                      "<P>dd<FONT size=\"3\">ee</FONT></P>");
    EXPECT_TRUE(desktop.Messages().empty());
    CaretIn("bb", 1);
    EXPECT_EQ(editor->GetHtmlDocument().GetFontSizePixels(), 12);

    // Closing the list without a choice applies the size it shows; a choice
    // made in the open list applies once.
    Select("dd");
    sizes->showPopup();
    sizes->hidePopup();
    QApplication::processEvents();
    EXPECT_EQ(Body().substr(Body().find("</P>") + 4),
              "<P><FONT style=\"FONT-SIZE: 12px\">dd</FONT><FONT size=\"3\">ee</FONT></P>");
    Select("ee");
    sizes->showPopup();
    sizes->setCurrentIndex(sizes->findText("24"));
    emit sizes->activated(sizes->currentIndex());
    sizes->hidePopup();
    QApplication::processEvents();
    EXPECT_NE(Body().find("<FONT style=\"FONT-SIZE: 24px\">ee</FONT>"), std::string::npos)
        << Body();
    ASSERT_TRUE(Doc().Undo());
    EXPECT_NE(Body().find("<FONT size=\"3\">ee</FONT>"), std::string::npos) << Body();
}

TEST_F(EditorTest, InsertTableFormDefaultsAndOutOfRangeCounts)
{
    // What the person types for rows and columns (nothing: the defaults), and
    // the table that comes of it.
    const std::tuple<const char*, const char*, int, int> cases[] = {
        {nullptr, nullptr, 2, 5}, {"0", "x", 1, 1}, {"3", "-2", 3, 1}};
    for (const auto& [typedRows, typedColumns, expectRows, expectColumns] : cases) {
        MakeEditor("<P>ab</P>");
        CaretIn("ab", 2);
        std::string shownRows, shownColumns;
        // Named copies: clang 14 cannot capture structured bindings.
        const char* rowsToType = typedRows;
        const char* columnsToType = typedColumns;
        desktop.ActInModal([&](QWidget& dialog) {
            shownRows = ui::GetWindowText(ui::FindControl(&dialog, 2001));
            shownColumns = ui::GetWindowText(ui::FindControl(&dialog, 2002));
            if (rowsToType) {
                ui::FillControl(dialog, 2001, rowsToType);
                ui::FillControl(dialog, 2002, columnsToType);
            }
            ui::PressControl(dialog, 1);
        });
        editor->OnCommand(CHtmlEditor::kInsertTable);
        EXPECT_EQ(desktop.ModalCaptions().back(), FromUtf8("插入表格"));
        EXPECT_EQ(shownRows, "2");
        EXPECT_EQ(shownColumns, "5");
        std::vector<html::Element*> tables = Doc().GetElementsByTagName("TABLE");
        ASSERT_EQ(tables.size(), 1u);
        EXPECT_EQ(tables[0]->GetAttribute("width"), u"600");
        EXPECT_EQ(tables[0]->GetAttribute("bordercolorwhite"), u"#000000");
        std::vector<html::Element*> rows = html::TableRows(*tables[0]);
        ASSERT_EQ(static_cast<int>(rows.size()), expectRows);
        for (html::Element* row : rows) {
            ASSERT_EQ(static_cast<int>(html::RowCells(*row).size()), expectColumns);
            EXPECT_EQ(html::RowCells(*row)[0]->InnerHtml(), u"&nbsp;");
        }
    }

    MakeEditor("<P>ab</P>");
    CaretIn("ab", 2);
    editor->OnCommand(CHtmlEditor::kInsertTable); // the scripted person cancels
    EXPECT_EQ(Body(), "<P>ab</P>");
}

TEST_F(EditorTest, TableMenuOffersRowsAndColumnsOnlyInACell)
{
    MakeEditor("<TABLE><TBODY><TR><TD>c1</TD><TD>c2</TD></TR></TBODY></TABLE>");
    html::Element* row = Doc().GetElementsByTagName("TR")[0];
    Doc().SetCaret(row, 1);
    editor->OnCommand(CHtmlEditor::kTableMenu);
    CaretIn("c2", 1);
    desktop.ChooseMenuCommand(CHtmlEditor::kInsertRowBelow);
    editor->OnCommand(CHtmlEditor::kTableMenu);
    QApplication::processEvents(); // the choice arrives as a posted command
    ASSERT_EQ(desktop.Menus().size(), 2u);
    EXPECT_EQ(desktop.Menus()[0], std::vector<std::string>{FromUtf8("插入表格")});
    std::vector<std::string> full;
    for (const char* label : {"插入表格", "插入行(在上方)", "插入行(在下方)", "插入列(在左侧)",
                              "插入列(在右侧)", "删除行", "删除列"})
        full.push_back(FromUtf8(label));
    EXPECT_EQ(desktop.Menus()[1], full);
    EXPECT_EQ(Body(), "<TABLE><TBODY><TR><TD>c1</TD><TD>c2</TD></TR>"
                      "<TR><TD><DIV>&nbsp;</DIV></TD><TD><DIV>&nbsp;</DIV></TD></TR>"
                      "</TBODY></TABLE>");
}

TEST_F(EditorTest, RowsAndColumnsAroundTheCurrentCell)
{
    const std::string table = "<TABLE><TBODY><TR><TD>a</TD><TD>b</TD></TR>"
                              "<TR><TD>c</TD><TD>d</TD></TR></TBODY></TABLE>";
    const std::string n = "<TD><DIV>&nbsp;</DIV></TD>";
    const std::pair<int, std::string> cases[] = {
        {CHtmlEditor::kInsertRowAbove, "<TABLE><TBODY><TR><TD>a</TD><TD>b</TD></TR><TR>" + n + n +
                                           "</TR><TR><TD>c</TD><TD>d</TD></TR></TBODY></TABLE>"},
        {CHtmlEditor::kInsertColumnLeft, "<TABLE><TBODY><TR><TD>a</TD>" + n +
                                             "<TD>b</TD></TR><TR><TD>c</TD>" + n +
                                             "<TD>d</TD></TR></TBODY></TABLE>"},
        {CHtmlEditor::kInsertColumnRight, "<TABLE><TBODY><TR><TD>a</TD><TD>b</TD>" + n +
                                              "</TR><TR><TD>c</TD><TD>d</TD>" + n +
                                              "</TR></TBODY></TABLE>"},
        {CHtmlEditor::kDeleteRow, "<TABLE><TBODY><TR><TD>a</TD><TD>b</TD></TR></TBODY></TABLE>"},
        {CHtmlEditor::kDeleteColumn,
         "<TABLE><TBODY><TR><TD>a</TD></TR><TR><TD>c</TD></TR></TBODY></TABLE>"},
    };
    for (const auto& [command, body] : cases) {
        MakeEditor(table);
        CaretIn("d", 1);
        editor->OnCommand(command);
        EXPECT_EQ(Body(), body) << command;
    }
    // Outside a table every row and column command leaves the body alone.
    MakeEditor("<P>x</P>");
    CaretIn("x");
    for (int command = CHtmlEditor::kInsertRowAbove; command <= CHtmlEditor::kDeleteColumn;
         ++command)
        editor->OnCommand(command);
    EXPECT_EQ(Body(), "<P>x</P>");
}

TEST_F(EditorTest, ControlKeysInsertTablesRowsColumnsAndRulesOrAreSwallowed)
{
    MakeEditor("<TABLE><TBODY><TR><TD>a</TD></TR></TBODY></TABLE>");
    CaretIn("a", 1);
    QTest::keyClick(editor->GetView(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(editor->GetView(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Body(), "<TABLE><TBODY><TR><TD>a</TD></TR></TBODY></TABLE>");
    QTest::keyClick(editor->GetView(), Qt::Key_T, Qt::ControlModifier);
    html::Element* outerCell = Doc().GetElementsByTagName("TD")[0];
    std::vector<html::Element*> nested = outerCell->GetElementsByTagName("TABLE");
    ASSERT_EQ(nested.size(), 1u);
    EXPECT_EQ(nested[0]->GetAttribute("cellpadding"), u"3");
    EXPECT_EQ(html::TableRows(*nested[0]).size(), 2u);
    EXPECT_EQ(html::ColumnCount(*nested[0]), 2);

    html::Element* table = Doc().GetElementsByTagName("TABLE")[0];
    CaretIn("a", 1);
    QTest::keyClick(editor->GetView(), Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(editor->GetView(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(html::TableRows(*table).size(), 2u);
    EXPECT_EQ(html::ColumnCount(*table), 2);
    // With Shift held the keys are not the editor's.
    QTest::keyClick(editor->GetView(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(html::TableRows(*table).size(), 2u);

    CaretIn("a", 1);
    QTest::keyClick(editor->GetView(), Qt::Key_H, Qt::ControlModifier);
    ASSERT_EQ(outerCell->GetElementsByTagName("HR").size(), 1u);

    // A selected control (the rule) goes before the quick table takes its place.
    html::Element* rule = outerCell->GetElementsByTagName("HR")[0];
    Doc().SetSelection(html::Selection::Controls({rule}));
    QTest::keyClick(editor->GetView(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_TRUE(outerCell->GetElementsByTagName("HR").empty());
    EXPECT_EQ(outerCell->GetElementsByTagName("TABLE").size(), 2u);
}

// Before a save parses a body (megabytes, once it carries pictures), a scan
// decides whether any picture may name a file. It must miss none, however
// the source is spelled; data: and http(s): sources alone need no parse.
TEST(LocalPicturesTest, EverySourceThatMayNameAFileIsFound)
{
    const std::string missing = "/no/such/dir/p.png";
    for (const std::string& image :
         {"<img src=" + missing + ">", "<IMG\nSRC = 'file://" + missing + "'>",
          "<img alt=\"a > b\" src=\"" + missing + "\">",
          std::string("<image src=\"&#47;no/such/dir/p.png\">"),
          "<IMG title='src=data:' SRC=" + missing + ">"}) {
        std::string body = "<P>" + image + "</P>", unreadable;
        EXPECT_FALSE(EmbedLocalPictures(body, unreadable)) << image;
        EXPECT_NE(unreadable.find("p.png"), std::string::npos) << image;
    }
    std::string remote = "<P><img src=\"data:image/png;base64,AA\"><IMG SRC='HTTPS://a/b.png'></P>";
    std::string body = remote, unreadable;
    EXPECT_TRUE(EmbedLocalPictures(body, unreadable));
    EXPECT_EQ(body, remote) << "left as it was";
}
