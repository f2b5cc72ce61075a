#pragma once
// Completing a table's grid, kept apart from cells and drawing: the rows come
// in as lists of real cells with their column and row spans, and go out as a
// rectangle of positions in which every position spanned by a cell holds a
// dummy that names the cell, and every hole holds an ownerless dummy.
#include <vector>

namespace tav {

// One position of the grid: a real cell (ColSpan 1 or more) or a dummy
// (ColSpan 0). A dummy names the real cell whose span covers it through
// OwnerRow/OwnerCol; a dummy that fills a hole no cell covers has both -1.
struct TGridCell {
  int Id = -1;       // the caller's cell number (real cells); -1 for dummies
  int ColSpan = 1;   // real cells: columns covered (after clamps and cuts); dummies: 0
  // Real cells: rows covered, cut to the rows that remain. The dummies that
  // follow a cell in its own row carry its row span when it is 2 or more;
  // every other dummy has 1.
  int RowSpan = 1;
  int OwnerRow = -1, OwnerCol = -1;  // for dummies: where the spanning real cell stands
};
using TGridRows = std::vector<std::vector<TGridCell>>;

// Spans above these are taken as these, before any dummy is made.
constexpr int MaxColSpan = 1000;
constexpr int MaxRowSpan = 65534;

// Completes the grid in place and returns the number of columns.
//
// On input each row lists its real cells in order, with Id, ColSpan and
// RowSpan set (a span of 1 or less means 1; the other fields are ignored).
// A cell's spans are clamped to MaxColSpan and MaxRowSpan, and its row span
// is cut to the rows that remain: a span never adds rows. A cell is followed
// in its row by ColSpan - 1 dummies; a cell or dummy with row span r puts a
// dummy at its column in each of the next r - 1 rows, moving the cells there
// to the right (or standing after holes when a row is shorter).
//
// The number of columns is that of the longest row, less the trailing
// columns that hold only dummies; each cell loses one column of span per
// column of its own row's dummies removed this way. Every row comes out
// exactly that many positions long, holes filled with ownerless dummies.
// Rows without cells give 0 columns and stay empty.
//
// The cost is proportional to the finished grid plus the cells' clamped
// column spans: trailing columns that are removed are never built.
int CompleteGrid(TGridRows& rows);

}  // namespace tav
