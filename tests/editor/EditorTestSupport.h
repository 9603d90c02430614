// Helpers shared by the editor tests: an editor created in a shown parent
// window with the scripted desktop installed and its toolbar pictures found
// in the build tree, its body read back as UTF-8, carets and selections put
// on text, and toolbar controls looked up by identifier.
#pragma once

#include "editor/HtmlEditor.h"
#include "platform/html/Document.h"
#include "platform/html/Serializer.h"
#include "platform/htmlview/HtmlView.h"
#include "platform/text/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/QtText.h"
#include "platform/ui/ScriptedDesktop.h"
#include "platform/ui/WindowText.h"
#include "ui/ImageButton.h"
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
    // "<HTML"), ready and shown with the keyboard focus in its view.
    CHtmlEditor& MakeEditor(const std::string& bodyUtf8)
    {
        editor = new CHtmlEditor;
        editor->Create(QRect(0, 0, 640, 400), window.get(), 6013);
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

    std::string Body() const
    {
        const html::Element* body = Doc().Body();
        return body ? text::Utf16ToUtf8(html::SerializeChildren(*body)) : "<none>";
    }

    html::CharacterData* TextHolding(const std::string& needleUtf8) const
    {
        std::u16string needle = text::Utf8ToUtf16(needleUtf8);
        std::vector<html::Node*> stack{&Doc()};
        while (!stack.empty()) {
            html::Node* node = stack.back();
            stack.pop_back();
            if (node->IsText() &&
                node->AsCharacterData()->Data().find(needle) != std::u16string::npos)
                return node->AsCharacterData();
            for (auto it = node->Children().rbegin(); it != node->Children().rend(); ++it)
                stack.push_back(*it);
        }
        return nullptr;
    }

    // A caret `offset` units into the text `needle`.
    void CaretIn(const std::string& needleUtf8, std::size_t offset = 0)
    {
        html::CharacterData* node = TextHolding(needleUtf8);
        ASSERT_NE(node, nullptr) << needleUtf8;
        Doc().SetCaret(node, node->Data().find(text::Utf8ToUtf16(needleUtf8)) + offset);
    }

    // Selects exactly the text `needle`.
    void Select(const std::string& needleUtf8)
    {
        html::CharacterData* node = TextHolding(needleUtf8);
        ASSERT_NE(node, nullptr) << needleUtf8;
        std::size_t start = node->Data().find(text::Utf8ToUtf16(needleUtf8));
        Doc().SetTextRange(node, start, node, start + text::Utf8ToUtf16(needleUtf8).size());
    }

    QWidget* Control(int id) const { return ui::FindControl(editor->GetToolbar(), id); }
    CImageButton* Button(int id) const { return dynamic_cast<CImageButton*>(Control(id)); }
    QComboBox* List(int id) const { return qobject_cast<QComboBox*>(Control(id)); }

    // Lets the event loop run until the condition holds (the view's caret
    // signal comes from its timer); false when it never did.
    template <typename Condition> bool WaitFor(Condition condition, int milliseconds = 5000)
    {
        for (int waited = 0; !condition(); waited += 20) {
            if (waited >= milliseconds)
                return false;
            QTest::qWait(20);
        }
        return true;
    }

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
