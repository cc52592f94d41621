// Where a window goes so that it stays on the screen of a given point or rectangle.
#pragma once
#include "app/Win.h"

// Top-left corner for a width x height window asked for at (x, y), moved so that it stays
// inside `work`: pushed left/up off the right/bottom edge, then right/down off the left/top.
POINT PlaceInWorkArea(int x, int y, float width, float height, const RECT& work);

// Work area of the monitor nearest to the point.
RECT WorkAreaAt(int x, int y);
