#include "html/EditorBody.h"

#include "html/Document.h"
#include "html/Serializer.h"
#include "platform/text/CodePage.h"

#include <algorithm>

namespace vellum::html {
namespace {

// The head of a new mail in the editor.
constexpr char16_t kNewBodyStart[] =
    u"<HTML><HEAD><META http-equiv='Content-Type' content='text/html; charset=gb2312' />"
    u"</HEAD><BODY>";
constexpr char16_t kNewBodyEnd[] = u"</BODY></HTML>";

bool ContainsTagIgnoringCase(std::u16string_view text, std::u16string_view tag)
{
    auto same = [](char16_t a, char16_t b) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        return lower(a) == lower(b);
    };
    return std::search(text.begin(), text.end(), tag.begin(), tag.end(), same) != text.end();
}

} // namespace

std::string EditorBodyHtml(std::string_view hostBytes)
{
    std::u16string text = text::ToUtf16(hostBytes);
    if (!ContainsTagIgnoringCase(text, u"<html") && !ContainsTagIgnoringCase(text, u"<body"))
        text = kNewBodyStart + text + kNewBodyEnd;
    Document document;
    document.BeginLoadFromBytes(ToAsciiSafeHtml(text));
    document.CompleteLoad();
    Element* root = document.DocumentElement();
    return root ? ToHostBytes(root->OuterHtml()) : std::string(hostBytes);
}

} // namespace vellum::html
