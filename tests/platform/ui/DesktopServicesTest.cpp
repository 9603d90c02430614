// The desktop seam as other folders use it: a scripted person who gives no
// answer takes the cautious one in the message boxes and choosers; Qt's
// real message box, as a person sees it, speaks Chinese on a Chinese desk,
// keeps its caption readable and names the keep-changes buttons as asked;
// Qt's real file dialog names folders, dates and sizes in the desk's words
// and makes its columns wide enough for them.
#include "platform/ui/DesktopServices.h"

#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtDesktopServices.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/Translations.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vellum::ui;

namespace {

// A desk with no language chosen on the host code page GBK, for one case;
// whatever the caller had set (the demo sets VELLUM_CODEPAGE=UTF-8, a desk
// has its LANG) comes back afterwards.
class PlainChineseDesk
{
public:
    PlainChineseDesk() : m_codePage(vellum::text::HostCodePage())
    {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        vellum::text::SetHostCodePage("GBK");
    }
    ~PlainChineseDesk()
    {
        for (size_t i = 0; i < std::size(kNames); ++i)
            m_saved[i] ? setenv(kNames[i], m_saved[i]->c_str(), 1) : unsetenv(kNames[i]);
        vellum::text::SetHostCodePage(m_codePage);
    }
    PlainChineseDesk(const PlainChineseDesk&) = delete;
    PlainChineseDesk& operator=(const PlainChineseDesk&) = delete;

private:
    static constexpr const char* kNames[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::string m_codePage;
    std::vector<std::optional<std::string>> m_saved;
};

TEST(DesktopServices, UnansweredQuestionsTakeTheCautiousAnswer)
{
    ScriptedDesktop desktop;
    ScopedDesktop installed(desktop);
    EXPECT_EQ(MessageBox("q", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(MessageBox("q", MessageButtons::OkCancel), MessageAnswer::Cancel);
    EXPECT_EQ(MessageBox("q", MessageButtons::SaveDiscardCancel), MessageAnswer::Cancel);
    EXPECT_FALSE(CurrentDesktop().ChooseOpenFile(nullptr, "*.*|*.*||").has_value());
    EXPECT_FALSE(CurrentDesktop().ChooseColor(nullptr, 0).has_value());
}

TEST(DesktopServices, TheLocaleComesFromTheEnvironmentElseFromAChineseCodePage)
{
    struct Case
    {
        const char* language;
        const char* lcAll;
        const char* lang;
        const char* expected;
    } cases[] = {
        {nullptr, nullptr, nullptr, "zh_CN"},       // nothing set, host code page GBK
        {nullptr, nullptr, "C.UTF-8", "zh_CN"},     // "C" says nothing of a language
        {nullptr, nullptr, "de_DE.UTF-8", "de_DE"}, // the desk's own choice wins
        {nullptr, "fr_FR@euro", "de_DE", "fr_FR"},  // LC_ALL before LANG
        {"zh_TW:en", "fr_FR", "de_DE", "zh_TW"},    // LANGUAGE's first entry before all
    };
    auto put = [](const char* name, const char* value) {
        value ? setenv(name, value, 1) : unsetenv(name);
    };
    PlainChineseDesk desk;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        put("LANGUAGE", c.language);
        put("LC_ALL", c.lcAll);
        put("LANG", c.lang);
        EXPECT_EQ(DesktopLocale(), c.expected);
    }
}

// The box is answered by a timer standing in for the person: it reads what
// the box shows and presses Cancel.
struct ShownBox
{
    QString caption;
    int width = 0;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

ShownBox ShowAndCancel(MessageButtons buttons, MessageIcon icon)
{
    ShownBox shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        shown.caption = box->windowTitle();
        shown.width = box->sizeHint().width();
        shown.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            shown.buttons << button->text();
        shown.buttons.sort();
        box->reject();
    });
    QtDesktopServices().ShowMessage(nullptr, "ok", "Vellum mail of the host", buttons, icon);
    return shown;
}

TEST(DesktopServices, QtsMessageBoxSpeaksChineseAndKeepsItsCaptionReadable)
{
    PlainChineseDesk desk;
    EnsureApplication();
    InstallQtTranslations();

    ShownBox information = ShowAndCancel(MessageButtons::Ok, MessageIcon::Information);
    EXPECT_EQ(information.icon, QMessageBox::Information);
    EXPECT_EQ(information.buttons, QStringList{QString::fromUtf8("确定")});
    EXPECT_GT(information.width,
              QFontMetrics(QApplication::font()).horizontalAdvance(information.caption))
        << "a short text must not squeeze the caption";

    ShownBox question = ShowAndCancel(MessageButtons::SaveDiscardCancel, MessageIcon::None);
    EXPECT_EQ(question.icon, QMessageBox::Question);
    QStringList expected{QString::fromUtf8("不保存"), QString::fromUtf8("保存"),
                         QString::fromUtf8("取消")};
    expected.sort();
    EXPECT_EQ(question.buttons, expected);
}

// One folder and one 32.5 KiB file, listed by the real dialog on a desk
// whose locale variables say nothing (the host code page makes it Chinese).
TEST(DesktopServices, TheFileDialogNamesFoldersDatesAndSizesInTheDesksWords)
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        unsetenv(name);
    EnsureApplication();
    InstallQtTranslations();
    std::string folder = std::filesystem::temp_directory_path().string() + "/vellum-columns-" +
                         std::to_string(getpid());
    std::filesystem::create_directories(folder + "/sub");
    std::ofstream(folder + "/report.txt") << std::string(33280, 'x');
    QStringList rows; // "name|size|type|date", folders first
    bool cut = true;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* details = dialog ? dialog->findChild<QTreeView*>("treeView") : nullptr;
        if (!details)
            return;
        dialog->setDirectory(QString::fromStdString(folder));
        QAbstractItemModel* model = details->model();
        QModelIndex root = details->rootIndex();
        if (model->rowCount(root) < 2 || model->index(1, 1, root).data().toString().isEmpty())
            return; // still listing
        cut = false;
        for (int row = 0; row < 2; ++row) {
            QStringList texts;
            for (int column = 0; column < 4; ++column) {
                texts << model->index(row, column, root).data().toString();
                cut = cut || details->header()->sectionSize(column) <
                                 QFontMetrics(details->font()).horizontalAdvance(texts.back());
            }
            rows << texts.join('|');
        }
        poll->deleteLater();
        dialog->reject();
    });
    poll->start(20);
    QtDesktopServices().ChooseOpenFile(nullptr, "*.*|*.*||");
    std::filesystem::remove_all(folder);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(QString::fromUtf8("sub||文件夹|"))) << rows[0].toStdString();
    // zh_CN's short date, "2026/12/7 13:05", not "12/7/26 1:05 PM".
    EXPECT_TRUE(QRegularExpression(R"(^report.txt\|32.5 KiB\|.+\|\d{4}/\d{1,2}/\d{1,2} \d+:\d\d$)")
                    .match(rows[1])
                    .hasMatch())
        << rows[1].toStdString();
    EXPECT_FALSE(cut) << "every text fits its column";
}

} // namespace
