// Helpers shared by the HTML engine tests: load a body, find text, read
// markup back as UTF-8 so expectations read naturally.
#pragma once

#include "html/Document.h"
#include "platform/text/CodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace vellum::html::testing {

// Loads `body` as the content of BODY, switches design mode on.
inline void LoadBody(Document& document, const std::string& bodyUtf8)
{
    document.LoadHtml(text::Utf8ToUtf16("<HTML><HEAD></HEAD><BODY>" + bodyUtf8 + "</BODY></HTML>"));
    document.SetDesignMode(u"On");
}

inline std::string BodyHtml(const Document& document)
{
    return document.Body() ? text::Utf16ToUtf8(document.Body()->InnerHtml())
                           : std::string("<none>");
}

inline std::string Utf8(const std::u16string& text)
{
    return text::Utf16ToUtf8(text);
}

inline std::string Repeat(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

// The first text node whose data contains `needle`.
inline CharacterData* FindText(const Document& document, const std::string& needleUtf8)
{
    std::u16string needle = text::Utf8ToUtf16(needleUtf8);
    std::vector<const Node*> stack{&document};
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        if (node->IsText() && node->AsCharacterData()->Data().find(needle) != std::u16string::npos)
            return const_cast<CharacterData*>(node->AsCharacterData());
        for (auto it = node->Children().rbegin(); it != node->Children().rend(); ++it)
            stack.push_back(*it);
    }
    return nullptr;
}

// Selects `needle` inside the text node that holds it.
inline void SelectText(Document& document, const std::string& needleUtf8)
{
    CharacterData* node = FindText(document, needleUtf8);
    ASSERT_NE(node, nullptr) << needleUtf8;
    std::size_t at = node->Data().find(text::Utf8ToUtf16(needleUtf8));
    std::size_t length = text::Utf8ToUtf16(needleUtf8).size();
    document.SetTextRange(node, at, node, at + length);
}

// Puts the caret `offset` units into the text node holding `needle`.
inline void CaretIn(Document& document, const std::string& needleUtf8, std::size_t offset)
{
    CharacterData* node = FindText(document, needleUtf8);
    ASSERT_NE(node, nullptr) << needleUtf8;
    document.SetCaret(node, node->Data().find(text::Utf8ToUtf16(needleUtf8)) + offset);
}

} // namespace vellum::html::testing
