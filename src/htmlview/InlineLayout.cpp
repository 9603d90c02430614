// Building and breaking a block's inline content.
//
// White space collapses as in a browser: a run of spaces, tabs and line
// feeds becomes one space, leading and trailing spaces of a line box vanish,
// and PRE keeps everything. Collapsed characters get no place in the layout
// text, so the caret cannot stand in them.
#include "htmlview/InlineLayout.h"

#include "html/Node.h"
#include "htmlview/Display.h"
#include "htmlview/ImageCache.h"

#include <QFontMetricsF>
#include <QTextOption>

#include <algorithm>
#include <optional>

namespace vellum::html {
namespace {

constexpr QChar kLineSeparator(0x2028);
// Stands for an image in the layout text: an ideograph, so that a line may
// break on either side of it as beside a Chinese character.
constexpr QChar kImageCharacter(0x4E00);
constexpr qreal kBrokenImageSize = 24;

bool IsCollapsibleSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

qreal ImageDimension(const Element& image, const char* name)
{
    auto value = image.FindAttribute(name);
    if (!value)
        return -1;
    return ParseLength(*value, 0, -1);
}

// The format AddFormat gives the block's own style, which it is asked for
// first.
constexpr int kBlockFormat = 0;

class InlineBuilder
{
public:
    InlineBuilder(InlineContent& content, ImageCache& images, const Cascade* cascade)
        : content_(content), images_(images), cascade_(cascade)
    {
    }

    void AddNode(Node& node, const LayoutStyle& style, int format)
    {
        switch (DisplayOf(node, cascade_)) {
        case Display::None:
            return;
        case Display::Image:
            AddImage(*node.AsElement(), style, format);
            return;
        case Display::Break:
            AddBreak(node, style, format);
            return;
        default:
            break;
        }
        if (node.IsText()) {
            AddText(*node.AsCharacterData(), style, format);
            return;
        }
        // Inline elements, and block-level ones met inside inline content
        // (which the box builder keeps rare), lay out as their content.
        LayoutStyle childStyle = StyleFor(*node.AsElement(), style, cascade_);
        if (!childStyle.background.isValid())
            childStyle.background = style.background; // a run's highlight covers its children
        int childFormat = childStyle == style ? format : AddFormat(childStyle);
        for (Node* child : node.Children())
            AddNode(*child, childStyle, childFormat);
    }

    // A style change opens a format; its character format is made only
    // once some text uses it (Finish), since elements without text of their
    // own (a FONT holding only a B) are common and a character format costs
    // a font resolution.
    int AddFormat(const LayoutStyle& style)
    {
        formatStyles_.push_back(style);
        return static_cast<int>(formatStyles_.size()) - 1;
    }

    const QTextCharFormat& FormatAt(int format)
    {
        auto index = static_cast<std::size_t>(format);
        if (formats_.size() < formatStyles_.size())
            formats_.resize(formatStyles_.size());
        if (!formats_[index])
            formats_[index] = CharFormatFor(formatStyles_[index]);
        return *formats_[index];
    }

    void Finish()
    {
        DropTrailingSpace();
        DropTrailingBreak();
        content_.formats.reserve(static_cast<qsizetype>(pieceFormats_.size()));
        for (std::size_t i = 0; i < content_.pieces.size(); ++i) {
            const InlinePiece& piece = content_.pieces[i];
            if (piece.end == piece.start)
                continue;
            int format = pieceFormats_[i];
            // Text in the block's own style needs no range: the layout's
            // font and the painter's pen draw it, and Qt resolves fewer
            // fonts.
            if (format == kBlockFormat && piece.kind != PieceKind::Image) {
                lastFormat_ = -1;
                continue;
            }
            auto& ranges = content_.formats;
            if (!ranges.isEmpty() && piece.kind != PieceKind::Image && lastFormat_ == format &&
                ranges.back().start + ranges.back().length == piece.start) {
                ranges.back().length += piece.end - piece.start;
                continue;
            }
            QTextLayout::FormatRange range;
            range.start = piece.start;
            range.length = piece.end - piece.start;
            range.format =
                piece.kind == PieceKind::Image ? ImageFormat(piece.size.width()) : FormatAt(format);
            ranges.push_back(range);
            lastFormat_ = piece.kind == PieceKind::Image ? -1 : format;
        }
    }

private:
    void AddText(CharacterData& text, const LayoutStyle& style, int format)
    {
        InlinePiece& piece = BeginPiece(text, PieceKind::Text, style, format);
        const std::u16string& data = text.Data();
        QString& out = content_.text;
        out.reserve(out.size() + static_cast<qsizetype>(data.size()));
        for (std::size_t i = 0; i < data.size(); ++i) {
            char16_t c = data[i];
            if (style.preformatted) {
                if (c == u'\r')
                    continue;
                Append(c == u'\n' ? kLineSeparator : QChar(c), static_cast<int>(i));
                trailingSpace_ = false;
                continue;
            }
            if (IsCollapsibleSpace(c)) {
                if (afterSpace_)
                    continue;
                Append(QChar(u' '), static_cast<int>(i));
                afterSpace_ = trailingSpace_ = true;
                continue;
            }
            Append(QChar(c), static_cast<int>(i));
            afterSpace_ = trailingSpace_ = false;
        }
        piece.end = static_cast<int>(out.size());
    }

    void AddBreak(Node& node, const LayoutStyle& style, int format)
    {
        DropTrailingSpace();
        InlinePiece& piece = BeginPiece(node, PieceKind::Break, style, format);
        Append(kLineSeparator, 0);
        piece.end = piece.start + 1;
        afterSpace_ = true;
        trailingSpace_ = false;
    }

    void AddImage(Element& image, const LayoutStyle& style, int format)
    {
        std::shared_ptr<const Picture> picture = images_.PictureFor(image);
        qreal width = ImageDimension(image, "width");
        qreal height = ImageDimension(image, "height");
        QSizeF natural = picture->IsNull() ? QSizeF(kBrokenImageSize, kBrokenImageSize)
                                           : QSizeF(picture->Size());
        // One given dimension scales the other, keeping the picture's shape.
        if (width < 0 && height >= 0)
            width = natural.height() > 0 ? natural.width() * height / natural.height() : height;
        if (height < 0 && width >= 0)
            height = natural.width() > 0 ? natural.height() * width / natural.width() : width;
        // Sizes are bounded so that a hostile body cannot ask for a picture
        // of a billion pixels.
        constexpr qreal kLargest = 20000;
        qreal border = std::clamp<qreal>(ImageDimension(image, "border"), 0, 100);
        QSizeF size(std::min(width >= 0 ? width : natural.width(), kLargest) + 2 * border,
                    std::min(height >= 0 ? height : natural.height(), kLargest) + 2 * border);

        InlinePiece& piece = BeginPiece(image, PieceKind::Image, style, format);
        piece.size = size;
        Append(kImageCharacter, 0);
        piece.end = piece.start + 1;
        content_.images.push_back(
            {&image, piece.start, size, std::move(picture), border, style.color});
        afterSpace_ = trailingSpace_ = false;
    }

    InlinePiece& BeginPiece(Node& node, PieceKind kind, const LayoutStyle& style, int format)
    {
        int start = static_cast<int>(content_.text.size());
        content_.pieces.push_back({&node, kind, start, start, {}});
        pieceFormats_.push_back(format);
        if (style.link) {
            auto& links = content_.links;
            if (links.empty() || links.back().link != style.link || links.back().end != start)
                links.push_back({start, start, style.link});
            linkOpen_ = true;
        } else {
            linkOpen_ = false;
        }
        return content_.pieces.back();
    }

    void Append(QChar c, int sourceOffset)
    {
        content_.text.append(c);
        content_.source.push_back(sourceOffset);
        if (linkOpen_)
            content_.links.back().end = static_cast<int>(content_.text.size());
    }

    // A collapsible space ending a line box has no width and no caret place.
    void DropTrailingSpace()
    {
        if (!trailingSpace_ || content_.text.isEmpty())
            return;
        content_.text.chop(1);
        content_.source.pop_back();
        int end = static_cast<int>(content_.text.size());
        for (auto it = content_.pieces.rbegin(); it != content_.pieces.rend(); ++it) {
            if (it->end > end) {
                it->end = end;
                it->start = std::min(it->start, end);
                break;
            }
        }
        if (!content_.links.empty() && content_.links.back().end > end)
            content_.links.back().end = end;
        trailingSpace_ = false;
    }

    // A BR ending a block ends its last line; it does not open another.
    // It keeps its piece, empty, so positions around it still resolve.
    void DropTrailingBreak()
    {
        auto& pieces = content_.pieces;
        if (pieces.empty() || pieces.back().kind != PieceKind::Break ||
            pieces.back().end != content_.text.size())
            return;
        content_.text.chop(1);
        content_.source.pop_back();
        pieces.back().end = pieces.back().start;
        if (!content_.links.empty() && content_.links.back().end > pieces.back().start)
            content_.links.back().end = pieces.back().start;
    }

    static QTextCharFormat ImageFormat(qreal width)
    {
        static const QFont tiny = [] {
            QFont font;
            font.setPixelSize(1);
            return font;
        }();
        static const qreal advance = QFontMetricsF(tiny).horizontalAdvance(kImageCharacter);
        QTextCharFormat format;
        format.setFont(tiny, QTextCharFormat::FontPropertiesAll);
        format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        format.setFontLetterSpacing(width - advance);
        format.setForeground(Qt::transparent);
        return format;
    }

    InlineContent& content_;
    ImageCache& images_;
    const Cascade* cascade_;
    std::vector<LayoutStyle> formatStyles_;
    std::vector<std::optional<QTextCharFormat>> formats_; // made on first use
    std::vector<int> pieceFormats_;
    int lastFormat_ = -1;
    bool afterSpace_ = true; // leading spaces of the block collapse away
    bool trailingSpace_ = false;
    bool linkOpen_ = false;
};

void ApplyOptions(QTextLayout& layout, const LayoutStyle& style, bool wrap)
{
    QTextOption option;
    switch (style.align) {
    case TextAlign::Left:
        option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case TextAlign::Center:
        option.setAlignment(Qt::AlignHCenter);
        break;
    case TextAlign::Right:
        option.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case TextAlign::Justify:
        option.setAlignment(Qt::AlignJustify);
        break;
    }
    option.setWrapMode(style.preformatted || !wrap ? QTextOption::ManualWrap
                                                   : QTextOption::WordWrap);
    option.setUseDesignMetrics(false);
    // Tabs stop every eight spaces, as in a browser's PRE. Measuring a
    // space resolves the font, so only text holding a tab pays for it.
    if (layout.text().contains(u'\t'))
        option.setTabStopDistance(8 * QFontMetricsF(layout.font()).horizontalAdvance(QChar(u' ')));
    layout.setTextOption(option);
}

qreal WidestLine(QTextLayout& layout, qreal width)
{
    layout.beginLayout();
    qreal widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return widest;
}

} // namespace

namespace {

// The format ranges of [start, end) of the paragraph, relative to start.
QList<QTextLayout::FormatRange> FormatsBetween(const InlineContent& content, int start, int end)
{
    QList<QTextLayout::FormatRange> local;
    const auto& formats = content.formats;
    auto it = std::partition_point(
        formats.begin(), formats.end(),
        [&](const QTextLayout::FormatRange& range) { return range.start + range.length <= start; });
    for (; it != formats.end() && it->start < end; ++it) {
        QTextLayout::FormatRange part = *it;
        int from = std::max(it->start, start);
        int to = std::min(it->start + it->length, end);
        if (to <= from)
            continue;
        part.start = from - start;
        part.length = to - from;
        local.push_back(part);
    }
    return local;
}

bool SameSegment(const TextSegment& old, const QString& text, int start, int end,
                 const QList<QTextLayout::FormatRange>& formats)
{
    const QString& oldText = old.layout.text();
    return oldText.size() == end - start &&
           QStringView(oldText) == QStringView(text).mid(start, end - start) &&
           old.formats == formats;
}

std::unique_ptr<TextSegment> NewSegment(const InlineContent& content, int start, int end,
                                        QList<QTextLayout::FormatRange> formats, const QFont& font)
{
    auto segment = std::make_unique<TextSegment>();
    segment->start = start;
    segment->end = end;
    segment->layout.setText(content.text.mid(start, end - start));
    segment->layout.setFont(font);
    segment->layout.setFormats(formats);
    segment->layout.setCacheEnabled(true);
    segment->formats = std::move(formats);
    return segment;
}

// Cuts the text at its line separators. Segments whose text and formats
// did not change since `previous` keep their shaped layout: matching runs
// from the front and from the back cover an edit anywhere in between.
void MakeSegments(InlineContent& content, const LayoutStyle& style, InlineContent* previous)
{
    struct Slice
    {
        int start, end;
    };
    std::vector<Slice> slices;
    int start = 0;
    const QString& text = content.text;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QChar(0x2028)) {
            slices.push_back({start, i});
            start = i + 1;
        }
    }
    slices.push_back({start, static_cast<int>(text.size())});

    QFont font = FontFor(style);
    if (style.letterSpacing > 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, style.letterSpacing);
    std::vector<std::unique_ptr<TextSegment>> old;
    if (previous && previous->align == style.align &&
        previous->preformatted == style.preformatted && !previous->segments.empty() &&
        previous->segments.front()->layout.font() == font)
        old = std::move(previous->segments);
    std::vector<QList<QTextLayout::FormatRange>> formats(slices.size());
    for (std::size_t i = 0; i < slices.size(); ++i)
        formats[i] = FormatsBetween(content, slices[i].start, slices[i].end);
    std::vector<std::unique_ptr<TextSegment>> segments(slices.size());
    std::size_t front = 0;
    for (; front < slices.size() && front < old.size(); ++front) {
        if (!SameSegment(*old[front], text, slices[front].start, slices[front].end, formats[front]))
            break;
        segments[front] = std::move(old[front]);
    }
    for (std::size_t back = 1; back <= slices.size() - front && back <= old.size() - front;
         ++back) {
        std::size_t n = slices.size() - back, o = old.size() - back;
        if (!SameSegment(*old[o], text, slices[n].start, slices[n].end, formats[n]))
            break;
        segments[n] = std::move(old[o]);
    }
    for (std::size_t i = 0; i < slices.size(); ++i) {
        if (segments[i]) {
            segments[i]->start = slices[i].start;
            segments[i]->end = slices[i].end;
            continue;
        }
        segments[i] =
            NewSegment(content, slices[i].start, slices[i].end, std::move(formats[i]), font);
    }
    content.segments = std::move(segments);
    content.align = style.align;
    content.preformatted = style.preformatted;
}

} // namespace

std::unique_ptr<InlineContent> BuildInlineContent(const std::vector<Node*>& roots,
                                                  const LayoutStyle& style, ImageCache& images,
                                                  const Cascade* cascade, InlineContent* previous)
{
    auto content = std::make_unique<InlineContent>();
    InlineBuilder builder(*content, images, cascade);
    int format = builder.AddFormat(style);
    for (Node* root : roots)
        builder.AddNode(*root, style, format);
    builder.Finish();
    MakeSegments(*content, style, previous);
    return content;
}

void LayoutLines(InlineContent& content, const LayoutStyle& style, qreal width)
{
    width = std::max<qreal>(width, 1);
    content.lines.clear();
    qreal y = 0;
    auto image = content.images.begin();
    for (std::size_t s = 0; s < content.segments.size(); ++s) {
        TextSegment& segment = *content.segments[s];
        QTextLayout& layout = segment.layout;
        if (segment.width != width) {
            ApplyOptions(layout, style, true);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
                line.setLineWidth(width);
            layout.endLayout();
            segment.width = width;
        }
        segment.firstLine = static_cast<int>(content.lines.size());
        // Lines are stacked here rather than by Qt: an image makes its line
        // taller, its bottom on the baseline.
        for (int i = 0; i < layout.lineCount(); ++i) {
            QTextLine line = layout.lineAt(i);
            qreal ascent = line.ascent();
            qreal descent = line.descent();
            if (style.lineHeight >= 0) {
                // The difference to the font's height is shared above and
                // below the text, as CSS's half-leading has it.
                qreal leading = style.lineHeight - (ascent + descent);
                ascent += leading / 2;
                descent += leading / 2;
            }
            int end = segment.start + line.textStart() + line.textLength();
            for (; image != content.images.end() && image->index < end; ++image)
                ascent = std::max(ascent, image->size.height());
            line.setPosition(QPointF(0, y + ascent - line.ascent()));
            content.lines.push_back({y, ascent + descent, ascent, static_cast<int>(s), i});
            y += ascent + descent;
        }
    }
    content.height = y;
}

void MeasureIntrinsicWidths(InlineContent& content, const LayoutStyle& style)
{
    if (content.maxWidth >= 0)
        return;
    content.maxWidth = content.minWidth = 0;
    for (auto& segment : content.segments) {
        QTextLayout& layout = segment->layout;
        ApplyOptions(layout, style, false);
        qreal widest = WidestLine(layout, 1e6);
        content.maxWidth = std::max(content.maxWidth, widest);
        ApplyOptions(layout, style, true);
        content.minWidth =
            std::max(content.minWidth, style.preformatted ? widest : WidestLine(layout, 0));
        segment->width = -1; // the measuring passes left other lines behind
    }
    for (const InlineImage& image : content.images)
        content.minWidth = std::max(content.minWidth, image.size.width());
}

LeafPosition ResolveLeaf(const Position& position)
{
    LeafPosition leaf{position.node, position.offset, false};
    while (leaf.node && leaf.node->IsElement() && leaf.node->ChildCount() > 0) {
        std::size_t count = leaf.node->ChildCount();
        if (leaf.offset < count) {
            leaf.node = leaf.node->ChildAt(leaf.offset);
            leaf.offset = 0;
            leaf.after = false;
        } else {
            leaf.node = leaf.node->ChildAt(count - 1);
            leaf.offset = MaxOffset(*leaf.node);
            leaf.after = true;
        }
    }
    if (leaf.node && leaf.node->IsElement())
        leaf.offset = 0;
    return leaf;
}

int IndexOfLeaf(const InlineContent& content, const LeafPosition& leaf)
{
    for (const InlinePiece& piece : content.pieces) {
        if (piece.node != leaf.node)
            continue;
        if (piece.kind != PieceKind::Text)
            return leaf.after ? piece.end : piece.start;
        auto first = content.source.begin() + piece.start;
        auto last = content.source.begin() + piece.end;
        auto it = std::lower_bound(first, last, static_cast<int>(leaf.offset));
        return static_cast<int>(it - content.source.begin());
    }
    // A node without a place of its own (a comment, an empty inline
    // element, collapsed text): the first place after it.
    if (!leaf.node)
        return -1;
    Position at{leaf.node, leaf.after ? MaxOffset(*leaf.node) : 0};
    for (const InlinePiece& piece : content.pieces) {
        if (ComparePositions(PositionBefore(*piece.node), at) >= 0)
            return piece.start;
    }
    return static_cast<int>(content.text.size());
}

const InlinePiece* PieceAt(const InlineContent& content, int index)
{
    if (index < 0 || index >= content.text.size())
        return nullptr;
    auto it = std::upper_bound(content.pieces.begin(), content.pieces.end(), index,
                               [](int i, const InlinePiece& piece) { return i < piece.start; });
    // Empty pieces share their start with the next one; step back to the
    // piece that really holds the character.
    while (it != content.pieces.begin()) {
        --it;
        if (index < it->end)
            return &*it;
        if (it->start < index)
            break;
    }
    return nullptr;
}

Position PositionAtIndex(const InlineContent& content, int index, Node* container)
{
    const InlinePiece* before = PieceAt(content, index - 1);
    const InlinePiece* after = PieceAt(content, index);
    auto sourceAt = [&](int i) {
        return static_cast<std::size_t>(content.source[static_cast<std::size_t>(i)]);
    };
    if (before && after && before == after && after->kind == PieceKind::Text)
        return {after->node, sourceAt(index)};
    if (before && before->kind == PieceKind::Text)
        return {before->node, sourceAt(index - 1) + 1};
    if (after && after->kind == PieceKind::Text)
        return {after->node, sourceAt(index)};
    if (before)
        return PositionAfter(*before->node);
    if (after)
        return PositionBefore(*after->node);
    return {container, 0};
}

Node* ContainerOf(const Box& box)
{
    if (box.element)
        return box.element;
    if (!box.roots.empty())
        return box.roots.front()->Parent();
    return box.parent ? ContainerOf(*box.parent) : nullptr;
}

Position PositionInBox(const Box& box, int index)
{
    // The line a body without any text gets sits after everything.
    if (!box.element && box.roots.empty() && box.parent && box.parent->element)
        return {box.parent->element, box.parent->element->ChildCount()};
    return PositionAtIndex(*box.inlines, index, ContainerOf(box));
}

} // namespace vellum::html
