// The meter as a list of filled shapes on a background: what a painter needs, nothing more.
#pragma once

#include <vector>

#include "aurx/OleColor.h"

namespace aurx::meter {

enum class Shape { Rectangle, Ellipse };

// A lit segment. The rectangle is the pixels to cover (x .. x + width - 1), already short of
// the cell's last column and row so that neighbours never touch; an ellipse is inscribed in it.
struct Cell {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    Rgb color;
    Shape shape = Shape::Rectangle;
    int bar = 0;      // 0 the left (or only) channel, 1 the right
    int segment = 0;  // position along the bar, 0 at its start
    bool operator==(const Cell&) const = default;
};

struct MeterPicture {
    Rgb background;
    std::vector<Cell> cells;  // bar by bar, each from its start
};

}  // namespace aurx::meter
