// Helpers shared by the editor tests: an editor created in a shown parent
// window with the scripted desktop installed and its toolbar pictures found
// in the build tree, its body read back as UTF-8, carets and selections put
// on text, and toolbar controls looked up by identifier.
#pragma once

#include "editor/HtmlEditor.h"
#include "html/HtmlTestSupport.h"
#include "htmlview/HtmlView.h"
#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/QtText.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/WindowText.h"
#include "ui/LayoutCtrl.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace vellum::editor::testing {

using vellum::text::FromUtf8;
using vellum::text::ToUtf8;

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("VELLUM_HOME", VELLUM_BINARY_DIR "/", 1);
        ui::EnsureApplication();
        window = std::make_unique<QWidget>();
        window->resize(640, 400);
    }

    // An editor over `bodyUtf8` (a whole document when it starts with
    // "<HTML"), ready and shown with the keyboard focus in its view; its
    // parent is `parent` when given, else the window. It replaces the
    // editor made before.
    CHtmlEditor& MakeEditor(const std::string& bodyUtf8, QWidget* parent = nullptr)
    {
        delete editor;
        editor = new CHtmlEditor;
        editor->Create(QRect(0, 0, 640, 400), parent ? parent : window.get(), 6013);
        std::string html = bodyUtf8.empty() || bodyUtf8.starts_with("<HTML")
                               ? bodyUtf8
                               : "<HTML><HEAD></HEAD><BODY>" + bodyUtf8 + "</BODY></HTML>";
        editor->SetInitialHTML(text::FromUtf8WithReferences(html));
        window->show();
        editor->FinishLoading();
        QApplication::setActiveWindow(window.get());
        editor->GetView()->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        return *editor;
    }

    html::Document& Doc() const { return editor->GetView()->GetDocument(); }
    std::string Body() const { return html::testing::BodyHtml(Doc()); }
    void CaretIn(const std::string& needleUtf8, std::size_t offset = 0)
    {
        html::testing::CaretIn(Doc(), needleUtf8, offset);
    }
    void Select(const std::string& needleUtf8) { html::testing::SelectText(Doc(), needleUtf8); }

    QWidget* Control(int id) const { return ui::FindControl(editor->GetToolbar(), id); }
    QComboBox* List(int id) const { return qobject_cast<QComboBox*>(Control(id)); }

    // A click on a toolbar button, as the user makes it.
    void Click(int id)
    {
        QWidget* control = Control(id);
        ASSERT_NE(control, nullptr) << id;
        QTest::mouseClick(control, Qt::LeftButton);
        QApplication::processEvents();
    }

    ui::ScriptedDesktop desktop;
    ui::ScopedDesktop installed{desktop};
    std::unique_ptr<QWidget> window;
    CHtmlEditor* editor = nullptr;
};

} // namespace vellum::editor::testing
