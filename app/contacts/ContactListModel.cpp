#include "ContactListModel.h"

#include <QString>

namespace {

QString ToQString(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The first character of the name, folded; a null character for an empty
// name (it sorts before every letter).
QString FoldedInitial(const PimContact* contact)
{
    if (!contact || contact->fileAs.empty())
        return QString(QChar(0));
    return QString(QChar(contact->fileAs.front())).toCaseFolded();
}

} // namespace

ContactListModel::ContactListModel(PimStore& store, std::vector<DbAItem>& chosen, QObject* parent)
    : QAbstractTableModel(parent)
    , store_(store)
    , chosen_(chosen)
{
}

int ContactListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : store_.ContactCount();
}

int ContactListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

int ContactListModel::ChosenIndex(DWORD oid) const
{
    for (std::size_t i = 0; i < chosen_.size(); ++i)
        if (chosen_[i].GetOid() == oid)
            return static_cast<int>(i);
    return -1;
}

QVariant ContactListModel::data(const QModelIndex& index, int role) const
{
    const PimContact* contact = index.isValid() ? ContactAt(index.row()) : nullptr;
    if (!contact)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return ToQString(index.column() == 0 ? contact->fileAs : contact->company);
    case Qt::CheckStateRole:
        if (index.column() != 0)
            return {};
        return ChosenIndex(contact->oid) >= 0 ? Qt::Checked : Qt::Unchecked;
    case kObjectIdRole:
        return static_cast<uint>(contact->oid);
    default:
        return {};
    }
}

bool ContactListModel::setData(const QModelIndex& index, const QVariant&, int role)
{
    if (role != Qt::CheckStateRole || !index.isValid() || index.column() != 0)
        return false;
    return Toggle(index.row());
}

Qt::ItemFlags ContactListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == 0)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool ContactListModel::Toggle(int row)
{
    const PimContact* contact = ContactAt(row);
    if (!contact)
        return false;
    if (const int at = ChosenIndex(contact->oid); at >= 0)
        chosen_.erase(chosen_.begin() + at);
    else
        chosen_.emplace_back(contact->oid, contact->fileAs.c_str(), contact->company.c_str());
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, { Qt::CheckStateRole });
    if (onToggled_)
        onToggled_(row);
    return true;
}

void ContactListModel::Reload()
{
    beginResetModel();
    endResetModel();
}

int RowForLetter(const PimStore& store, QChar letter)
{
    const int count = store.ContactCount();
    if (count == 0)
        return -1;
    if (letter == u'#')
        return 0;
    // The contacts are in folded file-as order, so their folded initials
    // rise: the first row whose initial is not before the letter.
    const QString wanted = QString(letter).toCaseFolded();
    int low = 0;
    int high = count;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (FoldedInitial(store.ContactAt(middle + 1)) < wanted)
            low = middle + 1;
        else
            high = middle;
    }
    return std::min(low, count - 1);
}
