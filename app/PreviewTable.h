// The Settings dialog's preview table, filled from the rows the bar reader previewed: a row a
// line, headed by its line number; a column for the date, the time, each other field in field
// order and the symbol, those the layout does not read hidden; a bad cell marked with its reason.
#pragma once

#include "engine/BarReader.h"
#include "engine/InputLayout.h"

#include <QColor>
#include <QList>
#include <QString>

#include <vector>

class QTableWidget;

// The table's column of a field as the layout's check names it (a field, kSymbolField or
// kTimeField).
int PreviewColumn(int nField);

// Fills table with rows as read with layout. The cells of clashColumns (fields that share a
// column) are marked bad with strClash on every line read; a skipped line says so across the
// row in skippedColour, and a line bad as a whole with nothing per field says why across it.
void FillPreviewTable(QTableWidget& table, const std::vector<SLinePreview>& rows, const SInputLayout& layout,
                      const QList<int>& clashColumns, const QString& strClash, const QColor& skippedColour);
