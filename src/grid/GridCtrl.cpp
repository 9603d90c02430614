// The grid window: event plumbing, scroll bars, painting and cell tips over
// the table, viewport and input rules of the neighbouring files.
#include "grid/GridCtrl.h"

#include "grid/GridCellText.h"
#include "grid/GridTitleTip.h"
#include "platform/ui/CommandTarget.h"
#include "platform/ui/ControlId.h"
#include "platform/ui/Fonts.h"
#include "platform/ui/QtColor.h"
#include "platform/ui/QtText.h"
#include "platform/ui/SystemColors.h"
#include "platform/ui/WindowTimers.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

using vellum::ui::GetSystemColor;
using vellum::ui::SystemColor;
using vellum::ui::ToQColor;

constexpr int AutoScrollTimer = 1;
constexpr int AutoScrollPeriodMs = 25;

GridSystemColours CurrentSystemColours()
{
    return {GetSystemColor(SystemColor::WindowText), GetSystemColor(SystemColor::Window),
            GetSystemColor(SystemColor::ButtonFace), GetSystemColor(SystemColor::ButtonShadow)};
}

GridModifiers ModifiersOf(Qt::KeyboardModifiers modifiers)
{
    return {modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier)};
}

} // namespace

CGridCtrl::CGridCtrl(int rows, int cols, int fixedRows, int fixedCols)
    : GridTable(rows, cols, fixedRows, fixedCols, CurrentSystemColours()), m_viewport(*this),
      m_input(*this, m_viewport, [this](int code, int row, int col) { Notify(code, row, col); })
{
    m_input.SetWheelLines(SystemWheelLines());
    m_timers = std::make_unique<vellum::ui::WindowTimers>([this](int) {
        m_input.AutoScrollStep();
        AfterInput();
    });
    // The window class of the platform's grid: button-face background and
    // the arrow cursor.
    setObjectName("MFCGridCtrl");
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, ToQColor(GetSystemColor(SystemColor::ButtonFace)));
    viewport()->setPalette(palette);
    viewport()->setCursor(Qt::ArrowCursor);
    m_titleTip = new GridTitleTip(viewport());
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
}

CGridCtrl::~CGridCtrl() = default;

int CGridCtrl::SystemWheelLines()
{
    if (!QApplication::instance())
        return 3;
    int lines = QApplication::wheelScrollLines();
    return lines == 0 ? 3 : lines;
}

QFont CGridCtrl::FontOf(const GridFont& font)
{
    vellum::ui::FontRequest request;
    if (!font.family.empty())
        request.faceUtf8 = font.family;
    // The desktop's message font: 9 points of the module's face.
    request.pointSizeTenths = font.pointSize > 0 ? font.pointSize * 10 : 90;
    request.bold = font.bold;
    return vellum::ui::MakeFont(request);
}

bool CGridCtrl::Create(QWidget* parent, int id)
{
    setParent(parent);
    vellum::ui::SetControlId(this, id);
    setFocusPolicy(Qt::StrongFocus);
    QSize sample = QFontMetrics(FontOf({})).size(Qt::TextSingleLine, " XXXXXXXXXXXX ");
    m_created = true;
    ResetDefaultSizes(sample.width(), sample.height() * 3 / 2);
    show();
    return true;
}

CGridCtrl::MeasuredFont& CGridCtrl::Measured(const GridFont& font) const
{
    if (!m_measured || font != m_measured->key) {
        QFont made = FontOf(font);
        m_measured =
            std::make_unique<MeasuredFont>(MeasuredFont{font, made, QFontMetrics(made), {}, {}});
    }
    return *m_measured;
}

GridSize CGridCtrl::MeasureText(const std::string& text, const GridFont& font) const
{
    MeasuredFont& measured = Measured(font);
    if (!measured.lastSize || measured.lastText != text) {
        QSize size = measured.metrics.size(Qt::TextSingleLine, vellum::ui::ToQString(text));
        measured.lastText = text;
        measured.lastSize = GridSize{size.width(), size.height()};
    }
    return *measured.lastSize;
}

void CGridCtrl::LayoutChanged()
{
    if (!m_created || !IsRedrawAllowed())
        return;
    SyncScrollBars();
    viewport()->update();
}

void CGridCtrl::RedrawRow(int row)
{
    if (!m_created || !IsRedrawAllowed())
        return;
    int top = m_viewport.RowTop(row);
    if (top >= 0)
        viewport()->update(0, top, viewport()->width(), GetRowHeight(row));
}

void CGridCtrl::Refresh()
{
    if (m_created && IsRedrawAllowed())
        viewport()->update();
}

void CGridCtrl::Notify(int code, int row, int col)
{
    vellum::ui::SendNotify(this, code, row, col);
}

void CGridCtrl::SyncScrollBars()
{
    m_viewport.SetClientSize(viewport()->width(), viewport()->height());
    m_syncing = true;
    verticalScrollBar()->setRange(GetFixedRowCount(), m_viewport.MaxTopRow());
    verticalScrollBar()->setPageStep(m_viewport.PageRows());
    verticalScrollBar()->setValue(m_viewport.GetTopRow());
    horizontalScrollBar()->setRange(GetFixedColumnCount(), m_viewport.MaxLeftColumn());
    horizontalScrollBar()->setPageStep(1);
    horizontalScrollBar()->setValue(m_viewport.GetLeftColumn());
    m_syncing = false;
}

void CGridCtrl::AfterInput()
{
    SyncScrollBars();
    if (m_input.WantsAutoScroll())
        m_timers->Set(AutoScrollTimer, AutoScrollPeriodMs);
    else
        m_timers->Kill(AutoScrollTimer);
    viewport()->update();
}

void CGridCtrl::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    SyncScrollBars();
}

void CGridCtrl::scrollContentsBy(int, int)
{
    if (m_syncing)
        return;
    m_viewport.SetTopRow(verticalScrollBar()->value());
    m_viewport.SetLeftColumn(horizontalScrollBar()->value());
    viewport()->update();
}

void CGridCtrl::mousePressEvent(QMouseEvent* event)
{
    m_titleTip->hide();
    m_viewport.SetClientSize(viewport()->width(), viewport()->height());
    QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        m_input.LeftButtonDown(at.x(), at.y(), ModifiersOf(event->modifiers()));
    setFocus(Qt::MouseFocusReason);
    AfterInput();
}

void CGridCtrl::mouseMoveEvent(QMouseEvent* event)
{
    QPoint at = event->position().toPoint();
    m_input.MouseMove(at.x(), at.y());
    if (event->buttons() == Qt::NoButton) {
        UpdateCursor(at.x(), at.y());
        ShowTitleTip(at.x(), at.y());
        return;
    }
    AfterInput();
}

void CGridCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        m_input.LeftButtonUp(at.x(), at.y());
    else if (event->button() == Qt::RightButton)
        m_input.RightButtonUp(at.x(), at.y());
    AfterInput();
}

void CGridCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_titleTip->hide();
    QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        m_input.LeftDoubleClick(at.x(), at.y());
    AfterInput();
}

void CGridCtrl::wheelEvent(QWheelEvent* event)
{
    m_titleTip->hide();
    m_viewport.SetClientSize(viewport()->width(), viewport()->height());
    m_input.Wheel(event->angleDelta().y());
    AfterInput();
    event->accept();
}

bool CGridCtrl::CopySelection()
{
    if (GetSelectedCount() == 0)
        return false;
    QApplication::clipboard()->setText(vellum::ui::ToQString(SelectedText()));
    return true;
}

void CGridCtrl::keyPressEvent(QKeyEvent* event)
{
    m_titleTip->hide();
    m_viewport.SetClientSize(viewport()->width(), viewport()->height());
    GridModifiers modifiers = ModifiersOf(event->modifiers());
    bool handled = false;
    switch (event->key()) {
    case Qt::Key_Left:
        handled = m_input.KeyDown(GridKey::Left, modifiers);
        break;
    case Qt::Key_Right:
        handled = m_input.KeyDown(GridKey::Right, modifiers);
        break;
    case Qt::Key_Up:
        handled = m_input.KeyDown(GridKey::Up, modifiers);
        break;
    case Qt::Key_Down:
        handled = m_input.KeyDown(GridKey::Down, modifiers);
        break;
    case Qt::Key_PageUp:
        handled = m_input.KeyDown(GridKey::PageUp, modifiers);
        break;
    case Qt::Key_PageDown:
        handled = m_input.KeyDown(GridKey::PageDown, modifiers);
        break;
    case Qt::Key_Home:
        handled = m_input.KeyDown(GridKey::Home, modifiers);
        break;
    case Qt::Key_End:
        handled = m_input.KeyDown(GridKey::End, modifiers);
        break;
    case Qt::Key_Tab:
        handled = m_input.KeyDown(GridKey::Tab, modifiers);
        break;
    case Qt::Key_Backtab:
        handled = m_input.KeyDown(GridKey::Tab, {true, modifiers.ctrl});
        break;
    case Qt::Key_A:
        if (modifiers.ctrl)
            handled = m_input.KeyDown(GridKey::SelectAll, modifiers);
        break;
    case Qt::Key_C:
    case Qt::Key_Insert:
        if (modifiers.ctrl)
            handled = CopySelection();
        break;
    default:
        break;
    }
    if (!handled) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    AfterInput();
}

// Tab moves between cells inside the grid rather than between windows.
bool CGridCtrl::focusNextPrevChild(bool)
{
    return false;
}

void CGridCtrl::leaveEvent(QEvent* event)
{
    QAbstractScrollArea::leaveEvent(event);
    if (!m_titleTip->underMouse())
        m_titleTip->hide();
}

void CGridCtrl::UpdateCursor(int x, int y)
{
    if (m_input.OverColumnDivider(x, y))
        viewport()->setCursor(Qt::SplitHCursor);
    else if (m_input.OverRowDivider(x, y))
        viewport()->setCursor(Qt::SplitVCursor);
    else
        viewport()->setCursor(Qt::ArrowCursor);
}

void CGridCtrl::ShowTitleTip(int x, int y)
{
    GridCellId cell = m_viewport.CellFromPoint(x, y);
    if (!cell.IsValid() || m_input.OverColumnDivider(x, y)) {
        m_titleTip->hide();
        m_tipCell = {};
        return;
    }
    if (cell == m_tipCell && m_titleTip->isVisible())
        return;
    m_tipCell = cell;
    GridRect rect = m_viewport.CellRect(cell.row, cell.col);
    if (GetCellExtent(cell.row, cell.col).width <= rect.Width()) {
        m_titleTip->hide();
        return;
    }
    const CGridDefaultCell& defaults = DefaultCellOf(cell.row, cell.col);
    QRect global(viewport()->mapToGlobal(QPoint(rect.left, rect.top)),
                 QSize(rect.Width(), rect.Height()));
    m_titleTip->ShowTip(global, vellum::ui::ToQString(GetText(cell.row, cell.col)),
                        FontOf(defaults.GetFont()),
                        ToQColor(EffectiveTextColour(cell.row, cell.col)),
                        ToQColor(EffectiveBackColour(cell.row, cell.col)), defaults.GetMargin());
}

void CGridCtrl::paintEvent(QPaintEvent*)
{
    m_viewport.SetClientSize(viewport()->width(), viewport()->height());
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), ToQColor(GetGridBkColor()));
    auto paintRow = [&](int row) {
        for (int col = 0; col < GetFixedColumnCount(); ++col)
            PaintCell(painter, row, col, m_viewport.CellRect(row, col));
        for (int col = m_viewport.GetLeftColumn(); col < GetColumnCount(); ++col) {
            GridRect rect = m_viewport.CellRect(row, col);
            if (rect.left >= viewport()->width())
                break;
            PaintCell(painter, row, col, rect);
        }
    };
    for (int row = 0; row < GetFixedRowCount(); ++row)
        paintRow(row);
    for (int row = m_viewport.GetTopRow(); row < GetRowCount(); ++row) {
        if (m_viewport.RowTop(row) >= viewport()->height())
            break;
        paintRow(row);
    }
}

void CGridCtrl::PaintCell(QPainter& painter, int row, int col, const GridRect& rect) const
{
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    const CGridDefaultCell& defaults = DefaultCellOf(row, col);
    const bool fixed = IsFixed(row, col);
    const bool selected = !fixed && IsCellSelected(row, col);
    QColor back =
        ToQColor(selected ? GetSystemColor(SystemColor::Highlight) : EffectiveBackColour(row, col));
    QColor text = ToQColor(selected ? GetSystemColor(SystemColor::HighlightText)
                                    : EffectiveTextColour(row, col));
    QRect area(rect.left, rect.top, rect.Width(), rect.Height());
    painter.fillRect(area, back);

    // One-pixel edges as filled rectangles: the raster engine fills them far
    // faster than it strokes lines, and every visible cell has two or four.
    const QRect topEdge(area.left(), area.top(), area.width(), 1);
    const QRect leftEdge(area.left(), area.top(), 1, area.height());
    const QRect bottomEdge(area.left(), area.bottom(), area.width(), 1);
    const QRect rightEdge(area.right(), area.top(), 1, area.height());
    if (fixed) {
        // Raised header: lit top-left edge, shaded bottom-right edge.
        const QColor lit = ToQColor(GetSystemColor(SystemColor::ButtonHighlight));
        const QColor shade = ToQColor(GetSystemColor(SystemColor::ButtonShadow));
        painter.fillRect(topEdge, lit);
        painter.fillRect(leftEdge, lit);
        painter.fillRect(bottomEdge, shade);
        painter.fillRect(rightEdge, shade);
    } else {
        const QColor line = ToQColor(GetGridLineColor());
        painter.fillRect(bottomEdge, line);
        painter.fillRect(rightEdge, line);
    }

    const CGridCellBase& cell = *const_cast<CGridCtrl*>(this)->GetCell(row, col);
    const int margin = defaults.GetMargin();
    // The grid lines fall inside the margins, so a column sized to a cell's
    // extent (text plus two margins) shows the whole text.
    QRect textArea = area.adjusted(margin, margin, -margin, -margin);
    const MeasuredFont& font = Measured(defaults.GetFont());
    painter.setPen(text);
    DrawCellText(painter, textArea, vellum::ui::ToQString(cell.GetText()), font.font, font.metrics,
                 cell.GetFormat());

    if (GetFocusCell() == GridCellId{row, col} && hasFocus()) {
        QPen pen(text, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(area.adjusted(1, 1, -2, -2));
    }
}
