// Reading style sheet text into rules, as the CSS syntax's error recovery
// has it: a rule or declaration that cannot be read is dropped alone and
// reading goes on after it. Comments, "<!--" and "-->" around old sheets,
// @import, @charset, @font-face, @page and unknown at-rules are read as
// nothing; @media keeps its rules when its query holds for the view.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vellum::html {

struct Declaration
{
    std::string property; // lower case
    std::u16string value; // without "!important"
    bool important = false;
};

struct CssRule
{
    std::u16string selectorText;
    std::vector<Declaration> declarations;
};

// What @media queries are evaluated against.
struct MediaContext
{
    int viewWidth = 600;
    // Set when a query asked about the width: the rules may differ at
    // another width.
    mutable bool askedForWidth = false;
};

std::vector<CssRule> ReadCssRules(std::u16string_view css, const MediaContext& media);

// A declaration block's text ("color: red; margin: 0 !important").
std::vector<Declaration> ReadDeclarations(std::u16string_view block);

// The sheet's text with each comment read as one blank, which separates
// what stands on either side of it.
std::u16string WithoutCssComments(std::u16string_view css);

// A media query list ("screen and (max-width: 600px), print").
bool MediaApplies(std::u16string_view queryList, const MediaContext& media);

} // namespace vellum::html
