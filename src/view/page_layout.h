// How the window arranges its controls with Qt layouts. Each page or group
// holds columns side by side; a column holds rows top to bottom; a row holds
// cells that line up with the cells of the other rows of its column. A cell
// holds one control, or several that share its place (the rules show one of
// them at a time) or sit side by side. Hidden widgets take no room in a Qt
// layout, so a hidden row closes up and opens again when it is shown.
#pragma once

#include "app/tform1.h"

#include <vector>

namespace ccp::view {

struct Cell {
    std::vector<form::Control*> controls; // empty: an empty cell
    int span = 1;
};
using Row = std::vector<Cell>;
using Column = std::vector<Row>;

struct Box {
    form::Control* container;
    std::vector<Column> columns;
};

// Every page and group of the window, in the designer's order.
std::vector<Box> pageLayout(app::TForm1& form);

} // namespace ccp::view
