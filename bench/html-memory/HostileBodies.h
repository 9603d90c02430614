// Mail bodies built to make the HTML tree builder clone, the same in every
// run. A formatting element (B, I, U, FONT...) left open stays on the list
// of active formatting elements, and every new paragraph, or text put
// before a table, gets a copy of each one on the list. HTML keeps no more
// than three alike entries there, so each element here carries an
// attribute value of its own and none is like another.
#pragma once

#include <cstdio>
#include <string>

namespace vellum::bench {

// The n-th of a run of formatting elements, no two alike.
inline std::string DistinctFormatting(unsigned n)
{
    char tag[48];
    switch (n % 4) {
    case 0:
        std::snprintf(tag, sizeof tag, "<FONT color=#%06x>", (n * 2654435761u) & 0xffffffu);
        break;
    case 1:
        std::snprintf(tag, sizeof tag, "<B class=b%u>", n);
        break;
    case 2:
        std::snprintf(tag, sizeof tag, "<I title=i%u>", n);
        break;
    default:
        std::snprintf(tag, sizeof tag, "<U id=u%u>", n);
    }
    return tag;
}

// `open` formatting elements opened in the first paragraph and never
// closed, then paragraphs of about `paragraphBytes` of text: each paragraph
// holds a copy of every one of them, nested one in the other.
inline std::string UnclosedFormattingBody(unsigned open, std::size_t paragraphBytes)
{
    std::string body = "<HTML><BODY><P>";
    for (unsigned n = 0; n < open; ++n)
        body += DistinctFormatting(n);
    std::string text;
    while (text.size() < paragraphBytes)
        text += "这是一段较长的中文文字，用来测试换行。Mixed English text wraps. ";
    while (body.size() < 1024 * 1024)
        body += "<P>" + text;
    return body + "</BODY></HTML>";
}

// Paragraphs that each open one more formatting element and leave it open:
// the n-th paragraph holds n of them, so the elements grow with the square of
// the text; `bytes` is kept small, as 32 KB already make 1.5 million
// elements in gumbo alone.
inline std::string GrowingFormattingBody(std::size_t bytes)
{
    std::string body = "<HTML><BODY>";
    for (unsigned n = 0; body.size() < bytes; ++n)
        body += "<P>" + DistinctFormatting(n) + "x";
    return body + "</BODY></HTML>";
}

// Tables with formatting and text between the table and its rows: the text
// goes before the table, and each such piece gets a copy of every formatting
// element still open, from this table and all before it. The formatting
// cycles through `distinct` kinds, so the list holds at most three times as
// many.
inline std::string MisnestedTablesBody(unsigned distinct)
{
    std::string body = "<HTML><BODY>";
    for (unsigned n = 0; body.size() < 1024 * 1024; ++n)
        body += "<TABLE border=1>" + DistinctFormatting(n % distinct) +
                "表格外的文字 loose text<TR><TD>第" + std::to_string(n) +
                "格</TD></TR><B>行外</B></TABLE>";
    return body + "</BODY></HTML>";
}

} // namespace vellum::bench
