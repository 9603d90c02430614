// The text the source view shows for a document: its HTML with a line break
// before the start tag of each block that follows another tag, as the
// browser's own serialisation read. One line of a whole mail would be
// unreadable in the view and slow to lay out; breaks between blocks change
// nothing a reader sees.
#pragma once

#include <string>
#include <string_view>

std::u16string SourceViewText(std::u16string_view html);
