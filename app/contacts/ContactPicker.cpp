#include "ContactPicker.h"

#include "AddressBook.h"
#include "ContactCard.h"
#include "ContactLink.h"
#include "ContactListModel.h"
#include "DialogPlacement.h"
#include "PackedLists.h"
#include "ProgramObjects.h"
#include "ProgramText.h"
#include "ReferenceFields.h"
#include "UiHooks.h"
#include "ZHandles.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTabBar>
#include <QTableView>
#include <QVBoxLayout>

const char16_t* const ContactPicker::kTabTexts[kTabCount]
    = { u"#ab", u" cde", u" fgh", u"  ijk", u" lmn", u"opq", u" rst", u"uvw", u" xyz" };

namespace {

constexpr QSize kDesktopSize(480, 560);
constexpr int kMaxProblemsShown = 10;

std::u16string Replace(std::u16string text, std::u16string_view from, const std::u16string& to)
{
    if (const std::size_t at = text.find(from); at != std::u16string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::u16string Text(const ZString& text)
{
    return text.Text() ? std::u16string(text.Text()) : std::u16string();
}

// Asks whether to add the stored contact to the address book; adds it when
// the user says yes. Returns the contact, or null.
const PimContact* OfferToAdd(QWidget* owner, PimStore& store, DbAItem& item)
{
    std::u16string question = Replace(ContactPicker::kNotInAddressBookText, u"%s", Text(item.GetName()));
    question = Replace(std::move(question), u"%s", Text(item.GetSecondText()));
    if (MessageBoxW(ToHwnd(owner), question.c_str(), kWindowTitle, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return nullptr;
    std::string error;
    const PimContact* added = AddStoredContact(store, item, error);
    if (!added) {
        const std::u16string message = u"The contact could not be added to the address book:\n"
            + QString::fromStdString(error).toStdU16String();
        MessageBoxW(ToHwnd(owner), message.c_str(), kWindowTitle, MB_OK | MB_ICONSTOP);
    }
    return added;
}

// Names the cards the address book skipped, once each.
void ReportSkippedFiles(QWidget* owner, PimStore& store)
{
    const std::vector<std::string> problems = store.TakeProblems();
    if (problems.empty())
        return;
    QString text = QStringLiteral("These files of the address book could not be read and were skipped:\n");
    for (std::size_t i = 0; i < problems.size() && i < kMaxProblemsShown; ++i)
        text += QStringLiteral("\n") + QString::fromStdString(problems[i]);
    if (problems.size() > kMaxProblemsShown)
        text += QStringLiteral("\n... and %1 more").arg(problems.size() - kMaxProblemsShown);
    MessageBoxW(ToHwnd(owner), text.toStdU16String().c_str(), kWindowTitle, MB_OK | MB_ICONINFORMATION);
}

} // namespace

// Letters typed into the list jump to their contacts.
class ContactPicker::LetterKeys : public QObject {
public:
    explicit LetterKeys(ContactPicker& picker)
        : picker_(picker)
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() != 1 || !(text[0].isLetterOrNumber() || text[0] == u'#'))
            return false;
        picker_.TypeLetter(text[0]);
        return true;
    }

private:
    ContactPicker& picker_;
};

int ContactPicker::Pick(QWidget* parent, DbJItem& contactsField)
{
    return Pick(parent, contactsField, AddressBook::Store(TheApp()));
}

int ContactPicker::Pick(QWidget* parent, DbJItem& contactsField, PimStore& store)
{
    ContactPicker picker(contactsField, store);
    return picker.Run(parent);
}

void ContactPicker::ShowContact(QWidget* parent, DbAItem& contact)
{
    ShowContact(parent, contact, AddressBook::Store(TheApp()));
}

void ContactPicker::ShowContact(QWidget* parent, DbAItem& contact, PimStore& store)
{
    SetWaitCursor(true);
    const bool loggedOn = store.Logon();
    SetWaitCursor(false);
    if (!loggedOn) {
        MessageBoxW(ToHwnd(parent), kLogonFailedText, kWindowTitle, MB_OK | MB_ICONSTOP);
        return;
    }
    const PimContact* found = FindStoredContact(store, contact, nullptr, true);
    if (!found)
        found = OfferToAdd(parent, store, contact);
    if (found)
        ContactCard(*found).Run(parent);
    else
        MessageBoxW(ToHwnd(parent), kCannotDisplayText, kWindowTitle, MB_OK | MB_ICONINFORMATION);
    store.Logoff();
}

ContactPicker::ContactPicker(DbJItem& contactsField, PimStore& store)
    : field_(contactsField)
    , store_(store)
{
}

ContactPicker::~ContactPicker()
{
    if (list_)
        list_->removeEventFilter(letterKeys_.get());
}

int ContactPicker::Run(QWidget* parent)
{
    owner_ = parent;
    changed_ = 0;
    cycle_ = 0;
    const int result = DoModal(parent, field_.GetLabel().ToQString(), QStringLiteral("contactPicker"));
    store_.Logoff();
    return result;
}

bool ContactPicker::LogOn()
{
    SetWaitCursor(true);
    const bool loggedOn = store_.Logon();
    SetWaitCursor(false);
    if (!loggedOn) {
        MessageBoxW(ToHwnd(owner_), kLogonFailedText, kWindowTitle, MB_OK | MB_ICONSTOP);
        return false;
    }
    ReportSkippedFiles(owner_, store_);
    return true;
}

void ContactPicker::ResolveChosen()
{
    chosen_.clear();
    UnpackContacts(*field_.GetBlob(), chosen_);
    for (DbAItem& item : chosen_) {
        if (!FindStoredContact(store_, item) && OfferToAdd(owner_, store_, item))
            changed_ = 1;
    }
}

BOOL ContactPicker::OnInitDialog()
{
    if (!LogOn())
        return FALSE;
    ResolveChosen();
    BuildItems();
    tabs_->setCurrentIndex(0);
    return TRUE;
}

void ContactPicker::BuildItems()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    model_ = new ContactListModel(store_, chosen_, dialog);
    list_ = new QTableView(dialog);
    list_->setObjectName(QStringLiteral("contactList"));
    list_->setModel(model_);
    list_->horizontalHeader()->hide();
    list_->verticalHeader()->hide();
    list_->setShowGrid(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setWordWrap(false);
    // Rows of one height let the view place any row without measuring the
    // ones before it.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    letterKeys_ = std::make_unique<LetterKeys>(*this);
    list_->installEventFilter(letterKeys_.get());
    SetItem(kListId, list_);
    layout->addWidget(list_, 1);
    model_->SetOnToggled([this](int row) {
        changed_ = 1;
        SelectRow(row);
    });
    QObject::connect(list_, &QTableView::doubleClicked, dialog,
        [this](const QModelIndex& index) { ShowCard(index.row()); });

    tabs_ = new QTabBar(dialog);
    tabs_->setObjectName(QStringLiteral("letterTabs"));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setDrawBase(false);
    tabs_->setUsesScrollButtons(false);
    tabs_->setElideMode(Qt::ElideNone);
    QFont font = tabs_->font();
    font.setPixelSize(11);
    tabs_->setFont(font);
    for (const char16_t* text : kTabTexts)
        tabs_->addTab(QString::fromUtf16(text));
    SetItem(kTabsId, tabs_);
    layout->addWidget(tabs_);
    QObject::connect(tabs_, &QTabBar::tabBarClicked, dialog, [this](int index) { TapTab(index); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->setObjectName(QStringLiteral("contactPickerButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);

    if (!CoverHandheldOwner(*dialog, owner_)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
    LayOutTabs();
}

LRESULT ContactPicker::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SIZE && tabs_) {
        LayOutTabs();
    } else if (message == WM_COMMAND && LOWORD(wParam) == IDC_OK && !IsEnding()) {
        StoreContactsField(field_, chosen_);
        EndDialog(changed_);
        return 0;
    }
    return ZDialog::WindowProc(message, wParam, lParam);
}

void ContactPicker::LayOutTabs()
{
    // Nine tabs of one width share the dialog's width.
    const int width = std::max(1, GetClientRect().width() / kTabCount - 2);
    tabs_->setStyleSheet(QStringLiteral("QTabBar::tab { width: %1px; padding: 3px 0px; }").arg(width));
}

void ContactPicker::TapTab(int index)
{
    if (index < 0 || index >= kTabCount)
        return;
    // Another tab starts at its first letter; the same tab moves on.
    if (index != tabs_->currentIndex()) {
        cycle_ = 0;
        tabs_->setCurrentIndex(index);
    }
    QString letters = QString::fromUtf16(kTabTexts[index]).trimmed();
    const QChar letter = letters.at(cycle_ % letters.size());
    cycle_ = (cycle_ + 1) % 3;
    GoToLetter(letter);
}

void ContactPicker::TypeLetter(QChar letter)
{
    GoToLetter(letter);
}

void ContactPicker::GoToLetter(QChar letter)
{
    const int row = RowForLetter(store_, letter);
    if (row >= 0)
        SelectRow(row);
}

void ContactPicker::SelectRow(int row)
{
    const QModelIndex index = model_->index(row, 0);
    list_->setCurrentIndex(index);
    list_->selectRow(row);
    list_->scrollTo(index);
    list_->setFocus();
}

int ContactPicker::CurrentRow() const
{
    return list_ && list_->currentIndex().isValid() ? list_->currentIndex().row() : -1;
}

void ContactPicker::ShowCard(int row)
{
    const PimContact* contact = model_->ContactAt(row);
    if (!contact)
        return;
    const DWORD oid = contact->oid;
    ContactCard(*contact).Run(Dialog());
    // The card may have been changed in the address book meanwhile.
    store_.Logon();
    ReportSkippedFiles(Dialog(), store_);
    if (const PimContact* now = store_.ContactFromOid(oid)) {
        for (DbAItem& item : chosen_) {
            if (item.GetOid() == oid) {
                item.SetName(now->fileAs.c_str());
                item.SetSecondText(now->company.c_str());
            }
        }
    }
    model_->Reload();
}
