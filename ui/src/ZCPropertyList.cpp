#include "ZCPropertyList.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace {

constexpr int kValueLeftGap = 4;
constexpr int kValueRightGap = 8;
constexpr int kHeadingInset = 4;
const QString kEllipsis = QStringLiteral("...");

// The row's own value colour is kept in the value cell.
constexpr int kRowColorRole = Qt::UserRole + 1;

} // namespace

// Draws the rows as the header describes; the list's fonts and colours are
// read at paint time so the owner may change them at any moment.
class ZCPropertyList::Delegate : public QStyledItemDelegate {
public:
    Delegate(QObject* parent, ZCPropertyList& owner)
        : QStyledItemDelegate(parent)
        , owner_(owner)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int row = index.row();
        painter->save();
        if (owner_.GetItemData(row) == 0)
            PaintHeading(*painter, option.rect, owner_.GetItemText(row, 0), option.font);
        else if (index.column() == 0)
            PaintLabel(*painter, option.rect, owner_.GetItemText(row, 0), option.font);
        else
            PaintValue(*painter, option.rect, row, option.font);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(kRowHeight);
        return size;
    }

private:
    void PaintHeading(QPainter& painter, const QRect& cell, const QString& text, const QFont& base) const
    {
        painter.setFont(owner_.HeadingFont().value_or(base));
        painter.setPen(owner_.HeadingColor());
        const QRect area = cell.adjusted(kHeadingInset, 0, -kHeadingInset, 0);
        painter.drawText(area, Qt::AlignLeft | Qt::AlignBottom,
            QFontMetrics(painter.font()).elidedText(text, Qt::ElideRight, area.width()));
    }

    void PaintLabel(QPainter& painter, const QRect& cell, const QString& text, const QFont& base) const
    {
        painter.setFont(owner_.LabelFont().value_or(base));
        painter.setPen(owner_.LabelColor());
        painter.drawText(cell, Qt::AlignRight | Qt::AlignVCenter,
            FitValue(text, QFontMetrics(painter.font()), cell.width()));
    }

    void PaintValue(QPainter& painter, const QRect& cell, int row, const QFont& base) const
    {
        const QRect area(cell.left() + kValueLeftGap, cell.top(),
            cell.width() - kValueLeftGap - kValueRightGap, cell.height());
        painter.setFont(owner_.ValueFont().value_or(base));
        const QColor own = owner_.RowValueColor(row);
        painter.setPen(own.isValid() ? own : owner_.ValueColor());
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
            FitValue(owner_.GetItemText(row, 1), QFontMetrics(painter.font()), area.width()));
        painter.setPen(QPen(owner_.LabelColor(), 1));
        const int y = cell.bottom();
        painter.drawLine(area.left(), y, area.right(), y);
    }

    ZCPropertyList& owner_;
};

// The table: reports taps and Enter to the owner, moves by rows with Tab, and
// keeps the column widths at a third and two thirds.
class ZCPropertyList::TableView : public QTableWidget {
public:
    explicit TableView(QWidget* parent, ZCPropertyList& owner)
        : QTableWidget(0, 2, parent)
        , owner_(owner)
    {
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QTableWidget::mousePressEvent(event);
        const int row = rowAt(event->position().toPoint().y());
        if (row >= 0 && owner_.OnTap)
            owner_.OnTap(row, event->position().toPoint().x());
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const int row = currentRow();
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (row >= 0 && owner_.OnActivate && event->modifiers() == Qt::NoModifier) {
                owner_.OnActivate(row);
                return;
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            const int next = row + (event->key() == Qt::Key_Tab ? 1 : -1);
            if (next >= 0 && next < rowCount()) {
                setCurrentCell(next, 1);
                return;
            }
            event->ignore();
            focusNextPrevChild(event->key() == Qt::Key_Tab);
            return;
        }
        default:
            break;
        }
        QTableWidget::keyPressEvent(event);
    }

    void resizeEvent(QResizeEvent* event) override
    {
        QTableWidget::resizeEvent(event);
        owner_.FitColumns();
    }

private:
    ZCPropertyList& owner_;
};

ZCPropertyList::ZCPropertyList() = default;

ZCPropertyList::~ZCPropertyList() = default;

QWidget* ZCPropertyList::CreateWidget(QWidget* parent)
{
    auto* table = new TableView(parent, *this);
    table->horizontalHeader()->hide();
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table->verticalHeader()->setMinimumSectionSize(kRowHeight);
    table->setShowGrid(false);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setItemDelegate(new Delegate(table, *this));
    table->setWordWrap(false);
    return table;
}

QTableWidget* ZCPropertyList::Table() const
{
    return qobject_cast<QTableWidget*>(GetHandle());
}

void ZCPropertyList::FitColumns()
{
    QTableWidget* table = Table();
    if (!table)
        return;
    const int width = table->viewport()->width();
    table->setColumnWidth(0, width / 3);
    table->setColumnWidth(1, width - width / 3);
}

int ZCPropertyList::InsertRow(const QString& label, const QString& value, DWORD data)
{
    QTableWidget* table = Table();
    if (!table)
        return -1;
    const int row = table->rowCount();
    table->insertRow(row);
    auto* labelItem = new QTableWidgetItem(label);
    labelItem->setData(Qt::UserRole, static_cast<uint>(data));
    table->setItem(row, 0, labelItem);
    table->setItem(row, 1, new QTableWidgetItem(value));
    if (data == 0)
        table->setSpan(row, 0, 1, 2);
    return row;
}

void ZCPropertyList::SetValue(int row, const QString& value)
{
    if (QTableWidget* table = Table(); table && row >= 0 && row < table->rowCount())
        table->item(row, 1)->setText(value);
}

void ZCPropertyList::DeleteAllItems()
{
    if (QTableWidget* table = Table()) {
        table->clearSpans();
        table->setRowCount(0);
    }
}

int ZCPropertyList::GetItemCount() const
{
    QTableWidget* table = Table();
    return table ? table->rowCount() : 0;
}

QString ZCPropertyList::GetItemText(int row, int column) const
{
    QTableWidget* table = Table();
    if (!table || row < 0 || row >= table->rowCount() || column < 0 || column > 1)
        return {};
    return table->item(row, column)->text();
}

DWORD ZCPropertyList::GetItemData(int row) const
{
    QTableWidget* table = Table();
    if (!table || row < 0 || row >= table->rowCount())
        return 0;
    return table->item(row, 0)->data(Qt::UserRole).toUInt();
}

QRect ZCPropertyList::ValueRect(int row) const
{
    QTableWidget* table = Table();
    if (!table || row < 0 || row >= table->rowCount())
        return {};
    return table->visualRect(table->model()->index(row, 1));
}

void ZCPropertyList::SetRowValueColor(int row, const QColor& color)
{
    QTableWidget* table = Table();
    if (!table || row < 0 || row >= table->rowCount())
        return;
    table->item(row, 1)->setData(kRowColorRole, color.isValid() ? QVariant(color) : QVariant());
}

QColor ZCPropertyList::RowValueColor(int row) const
{
    QTableWidget* table = Table();
    if (!table || row < 0 || row >= table->rowCount())
        return {};
    return table->item(row, 1)->data(kRowColorRole).value<QColor>();
}

namespace {

template <typename T> T Exchange(T& slot, const T& value, QWidget* window)
{
    T previous = slot;
    slot = value;
    if (window)
        window->update();
    return previous;
}

} // namespace

std::optional<QFont> ZCPropertyList::SetLabelFont(const std::optional<QFont>& font)
{
    return Exchange(labelFont_, font, GetHandle());
}

std::optional<QFont> ZCPropertyList::SetValueFont(const std::optional<QFont>& font)
{
    return Exchange(valueFont_, font, GetHandle());
}

std::optional<QFont> ZCPropertyList::SetHeadingFont(const std::optional<QFont>& font)
{
    return Exchange(headingFont_, font, GetHandle());
}

QColor ZCPropertyList::SetLabelColor(const QColor& color)
{
    return Exchange(labelColor_, color, GetHandle());
}

QColor ZCPropertyList::SetValueColor(const QColor& color)
{
    return Exchange(valueColor_, color, GetHandle());
}

QColor ZCPropertyList::SetHeadingColor(const QColor& color)
{
    return Exchange(headingColor_, color, GetHandle());
}

QString ZCPropertyList::FitValue(const QString& value, const QFontMetrics& metrics, int width)
{
    const qsizetype lineEnd = value.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    const bool severalLines = lineEnd >= 0;
    const QString line = severalLines ? value.left(lineEnd) : value;
    if (!severalLines && metrics.horizontalAdvance(line) <= width)
        return line;
    // The longest start of the line that fits together with "...".
    const int room = width - metrics.horizontalAdvance(kEllipsis);
    if (room < 0)
        return {};
    qsizetype low = 0;
    qsizetype high = line.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(line.left(middle)) <= room)
            low = middle;
        else
            high = middle - 1;
    }
    // Never split a surrogate pair.
    if (low > 0 && low < line.size() && line.at(low).isLowSurrogate())
        --low;
    return line.left(low) + kEllipsis;
}
