#include "FindResults.h"

#include "DialogPlacement.h"
#include "JournalProps.h"
#include "QuickView.h"
#include "UiHooks.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Over a desktop-sized window the list keeps a size of its own.
const QSize kDesktopSize(420, 320);

} // namespace

FindResults::FindResults(
    QWidget* parent, FindRequest& request, DbKestrin& journal, SelectionList& selection, EditEntry edit, int noteZoom)
    : QDialog(parent)
    , request_(request)
    , journal_(journal)
    , selection_(selection)
    , edit_(std::move(edit))
    , noteZoom_(noteZoom)
    , start_(selection.Focused())
{
    setObjectName(QStringLiteral("findResults"));
    setWindowTitle(QStringLiteral("Found..."));
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("foundCount"));
    count_->setFixedHeight(20);
    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("findResultList"));
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setHeaderLabels({ QStringLiteral("Date"), QStringLiteral("Entry") });
    list_->header()->resizeSection(0, 60);
    list_->header()->resizeSection(1, 180);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("foundOk"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { done(1); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(count_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);
    connect(list_, &QTreeWidget::itemClicked, this,
        [this](QTreeWidgetItem* item) { Open(item->data(0, Qt::UserRole).toUInt(), false); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
        [this](QTreeWidgetItem* item) { Open(item->data(0, Qt::UserRole).toUInt(), true); });
}

bool FindResults::Search()
{
    // The search starts after the entry focused when find was chosen, not
    // wherever the journal's cursor happens to be.
    request_.results = FindEntries(journal_, request_.Query(start_));
    if (request_.results.empty()) {
        MessageBoxW(nullptr, u"No Records Found!", u"Kestrin", MB_OK | MB_ICONSTOP);
        return false;
    }
    Fill();
    return true;
}

void FindResults::Fill()
{
    count_->setText(QStringLiteral(" Found: %1").arg(request_.results.size()));
    list_->clear();
    for (CEOID oid : request_.results) {
        ZJITEMS entry;
        if (journal_.Read(oid, &entry, 0) != oid)
            continue;
        ZString date;
        ZTime(entry.GetItem(PROPID_DATE)->GetFileTime()).ShortDate(date);
        LPCWSTR subject = entry.GetItem(PROPID_SUBJECT)->GetStrValue();
        auto* row = new QTreeWidgetItem(list_,
            { date.IsEmpty() ? QString() : date.ToQString(),
                subject && *subject ? QString::fromUtf16(subject) : QStringLiteral(" ") });
        row->setData(0, Qt::UserRole, static_cast<uint>(oid));
    }
    // The dates keep their whole text; the subjects take what is left.
    list_->resizeColumnToContents(0);
}

void FindResults::Open(CEOID oid, bool edit)
{
    selection_.Clear();
    selection_.Add(oid);
    selection_.SetFocused(oid);
    const int result = edit ? 0 : QuickView::Run(this, journal_, oid, noteZoom_);
    if (result == QuickView::kClosed)
        return;
    edit_(static_cast<DWORD>(result));
    request_.results = FindEntries(journal_, request_.Query(start_));
    Fill();
}

int FindResults::Run(
    QWidget* parent, FindRequest& request, DbKestrin& journal, SelectionList& selection, EditEntry edit, int noteZoom)
{
    FindResults results(parent, request, journal, selection, std::move(edit), noteZoom);
    if (!results.Search())
        return 0;
    if (!CoverHandheldOwner(results, parent))
        results.resize(kDesktopSize);
    return results.exec();
}
