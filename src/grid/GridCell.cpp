// Default cells start with the colours the grid gives each kind of cell.
#include "grid/GridCell.h"

CGridDefaultCell::CGridDefaultCell(GridColour textColour, GridColour backColour)
{
    SetTextClr(textColour);
    SetBackClr(backColour);
}
