// The cells of the grid control.
//
// CGridCell is one cell of the table: its text, its own state bits, its own
// colours (CLR_DEFAULT hands the choice to the default cell) and a format.
// CGridDefaultCell supplies what a cell leaves open: colours, font, margin,
// text format and the size a new row or column starts with. The grid keeps
// four of them, one per kind of cell (normal, fixed row, fixed column and the
// corner). Nothing here paints; the window does that from these values.
#pragma once

#include <cstdint>
#include <string>

// Windows colour values: red in the low byte, then green, then blue.
using GridColour = std::uint32_t;

// Marks a cell colour as "use the default cell's colour".
constexpr GridColour CLR_DEFAULT = 0xFF000000;

// Cell state bits. The focus, selection and fixed bits follow from the grid;
// read-only and modified belong to the cell.
enum GridCellState : unsigned {
    GridStateFocused = 1,
    GridStateSelected = 2,
    GridStateReadOnly = 8,
    GridStateFixed = 16,
    GridStateFixedRow = 32,
    GridStateFixedColumn = 64,
    GridStateModified = 128,
};

// Text-drawing flags of the cell format, with their Windows values.
enum GridTextFormat : unsigned {
    GridFormatLeft = 0x0000,
    GridFormatCentre = 0x0001,
    GridFormatRight = 0x0002,
    GridFormatVCentre = 0x0004,
    GridFormatSingleLine = 0x0020,
    GridFormatNoPrefix = 0x0800,
    GridFormatEndEllipsis = 0x8000,
};

// Single line, vertically centred, left aligned, no prefix, ellipsis: 0x8824.
constexpr unsigned GridDefaultTextFormat =
    GridFormatSingleLine | GridFormatVCentre | GridFormatNoPrefix | GridFormatEndEllipsis;

// A width and height in pixels.
struct GridSize
{
    int width = 0;
    int height = 0;
};

// The font a default cell draws with. An empty family means the system
// message font; the window turns this into a real font.
struct GridFont
{
    std::string family;
    int pointSize = 0;
    bool bold = false;

    bool operator==(const GridFont&) const = default;
};

// What every cell offers the grid.
class CGridCellBase
{
public:
    virtual ~CGridCellBase() = default;

    virtual void SetText(const std::string& text) = 0;
    virtual const std::string& GetText() const = 0;
    virtual void SetState(unsigned state) = 0;
    virtual unsigned GetState() const = 0;
    virtual void SetTextClr(GridColour colour) = 0;
    virtual GridColour GetTextClr() const = 0;
    virtual void SetBackClr(GridColour colour) = 0;
    virtual GridColour GetBackClr() const = 0;
    virtual void SetFormat(unsigned format) = 0;
    virtual unsigned GetFormat() const = 0;
    virtual void SetImage(int image) = 0;
    virtual int GetImage() const = 0;
    virtual void SetData(std::intptr_t data) = 0;
    virtual std::intptr_t GetData() const = 0;
};

// A cell of the table.
class CGridCell : public CGridCellBase
{
public:
    void SetText(const std::string& text) override { m_text = text; }
    const std::string& GetText() const override { return m_text; }
    void SetState(unsigned state) override { m_state = state; }
    unsigned GetState() const override { return m_state; }
    void SetTextClr(GridColour colour) override { m_textColour = colour; }
    GridColour GetTextClr() const override { return m_textColour; }
    void SetBackClr(GridColour colour) override { m_backColour = colour; }
    GridColour GetBackClr() const override { return m_backColour; }
    void SetFormat(unsigned format) override { m_format = format; }
    unsigned GetFormat() const override { return m_format; }
    void SetImage(int image) override { m_image = image; }
    int GetImage() const override { return m_image; }
    void SetData(std::intptr_t data) override { m_data = data; }
    std::intptr_t GetData() const override { return m_data; }

private:
    std::string m_text;
    unsigned m_state = 0;
    GridColour m_textColour = CLR_DEFAULT;
    GridColour m_backColour = CLR_DEFAULT;
    unsigned m_format = GridDefaultTextFormat;
    int m_image = -1;
    std::intptr_t m_data = 0;
};

// The defaults of one kind of cell. Its colours are never CLR_DEFAULT.
class CGridDefaultCell : public CGridCell
{
public:
    CGridDefaultCell(GridColour textColour, GridColour backColour);

    void SetMargin(int margin) { m_margin = margin; }
    int GetMargin() const { return m_margin; }
    void SetFont(const GridFont& font) { m_font = font; }
    const GridFont& GetFont() const { return m_font; }
    void SetWidth(int width) { m_size.width = width; }
    void SetHeight(int height) { m_size.height = height; }
    int GetWidth() const { return m_size.width; }
    int GetHeight() const { return m_size.height; }

private:
    int m_margin = 3;
    GridFont m_font;
    // Without a device context to measure " XXXXXXXXXXXX " with.
    GridSize m_size{40, 16};
};
