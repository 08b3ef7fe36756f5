#pragma once
// ZCPropertyList: the two-column list of labels and values on which a screen
// shows and edits the fields of a record (the entry editor's "Entry" page).
// Each row is drawn by the list itself: the label right-aligned in column 0,
// the value left-aligned in column 1 over a thin underline in the label
// colour; a row whose item data is 0 is a heading (its label alone, in the
// heading font and colour, across both columns). Rows have a fixed height of
// kRowHeight pixels; column 0 takes a third of the width. The selection is
// not drawn.
//
// A value too wide for its cell is cut with the value font's metrics and
// ends in "..."; a value of several lines shows its first line and "...".
// Fonts are optional (unset: the list's own font); colours default to black.
// A row may have a colour of its own for its value (SetRowValueColor).
//
// The owner creates the rows and reacts to taps: OnTap gets the row and the
// x position of the tap inside the list, OnActivate the row on which Enter
// or Space was pressed (keyboard users move with Tab and the arrow keys).
// The list's window (a QTableWidget) is owned by the object. UI thread only.

#include "ZWindow.h"

#include <QColor>

#include <functional>
#include <optional>

class QTableWidget;

class ZCPropertyList : public ZWindow {
public:
    static constexpr int kRowHeight = 20;

    ZCPropertyList();
    ~ZCPropertyList() override;

    QTableWidget* Table() const;

    // Appends a row; `data` 0 makes it a heading. Returns its index (-1
    // without a window).
    int InsertRow(const QString& label, const QString& value, DWORD data = 1);
    void SetValue(int row, const QString& value);
    void DeleteAllItems();
    int GetItemCount() const;
    // The text of column 0 (label) or 1 (value); empty past the end.
    QString GetItemText(int row, int column) const;
    // The row's item data; 0 past the end.
    DWORD GetItemData(int row) const;
    // The rectangle of the row's value cell (list coordinates).
    QRect ValueRect(int row) const;
    // A colour for one row's value; an invalid colour goes back to the
    // list's value colour.
    void SetRowValueColor(int row, const QColor& color);
    QColor RowValueColor(int row) const;

    // The setters return the previous value.
    std::optional<QFont> SetLabelFont(const std::optional<QFont>& font);
    std::optional<QFont> SetValueFont(const std::optional<QFont>& font);
    std::optional<QFont> SetHeadingFont(const std::optional<QFont>& font);
    QColor SetLabelColor(const QColor& color);
    QColor SetValueColor(const QColor& color);
    QColor SetHeadingColor(const QColor& color);
    const std::optional<QFont>& LabelFont() const { return labelFont_; }
    const std::optional<QFont>& ValueFont() const { return valueFont_; }
    const std::optional<QFont>& HeadingFont() const { return headingFont_; }
    QColor LabelColor() const { return labelColor_; }
    QColor ValueColor() const { return valueColor_; }
    QColor HeadingColor() const { return headingColor_; }

    // Reactions of the owner (either may be empty).
    std::function<void(int row, int x)> OnTap;
    std::function<void(int row)> OnActivate;

    // The text drawn for `value` in `width` pixels with `metrics`: the value
    // itself when it is one line that fits; else its first line, cut where
    // it and a following "..." fit. Empty when not even "..." fits.
    static QString FitValue(const QString& value, const QFontMetrics& metrics, int width);

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    class Delegate;
    class TableView;
    void FitColumns();

    std::optional<QFont> labelFont_;
    std::optional<QFont> valueFont_;
    std::optional<QFont> headingFont_;
    QColor labelColor_ { Qt::black };
    QColor valueColor_ { Qt::black };
    QColor headingColor_ { Qt::black };
};
