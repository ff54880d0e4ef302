#pragma once

class QTableView;

// Sizes every column of the view to its widest cell and its header, as
// QTableView::resizeColumnsToContents does, without laying out the text of
// every cell: a thousand-row report would otherwise spend most of its time
// shaping text that only decides which cell is the widest.
//
// Each cell's width is first estimated from cached character advances; the
// cells whose estimate comes near the widest are then measured exactly by
// the view's own delegate, so the column is at least as wide as the toolkit
// would make it. Every row counts, not a sample of them.
void fitColumnsToContents(QTableView *view);
