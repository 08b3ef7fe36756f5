#include "ContactCard.h"

#include "DialogPlacement.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

ContactCard::FileOpener& Opener()
{
    static ContactCard::FileOpener opener;
    return opener;
}

QString ToQString(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* ValueLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// "Phone (work,voice)" from the field's kinds.
QString FieldTitle(const char* title, const std::u16string& kinds)
{
    const QString name = QString::fromLatin1(title);
    return kinds.empty() ? name : name + QStringLiteral(" (") + ToQString(kinds).toLower() + QLatin1Char(')');
}

constexpr QSize kDesktopSize(420, 480);

} // namespace

void ContactCard::SetFileOpener(FileOpener opener)
{
    Opener() = std::move(opener);
}

ContactCard::ContactCard(const PimContact& contact)
    : contact_(contact)
{
}

void ContactCard::Run(QWidget* owner)
{
    owner_ = owner;
    DoModal(owner, ToQString(contact_.formattedName), QStringLiteral("contactCard"));
}

BOOL ContactCard::OnInitDialog()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(6, 6, 6, 6);

    auto* scroll = new QScrollArea(dialog);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget(scroll);
    auto* form = new QFormLayout(page);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    auto add = [&](const QString& title, const std::u16string& value, const char* objectName) {
        if (value.empty())
            return;
        QLabel* label = ValueLabel(ToQString(value), page);
        label->setObjectName(QString::fromLatin1(objectName));
        form->addRow(title, label);
    };
    add(QStringLiteral("Name"), contact_.formattedName, "cardName");
    add(QStringLiteral("File as"), contact_.fileAs, "cardFileAs");
    add(QStringLiteral("Company"), contact_.company, "cardCompany");
    add(QStringLiteral("Department"), contact_.department, "cardDepartment");
    add(QStringLiteral("Title"), contact_.title, "cardTitle");
    for (const PimContact::Field& phone : contact_.phones)
        add(FieldTitle("Phone", phone.label), phone.value, "cardPhone");
    for (const PimContact::Field& email : contact_.emails)
        add(FieldTitle("E-mail", email.label), email.value, "cardEmail");
    for (const PimContact::Field& address : contact_.addresses)
        add(FieldTitle("Address", address.label), address.value, "cardAddress");
    add(QStringLiteral("Note"), contact_.note, "cardNote");
    scroll->setWidget(page);
    layout->addWidget(scroll, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    buttons->setObjectName(QStringLiteral("cardButtons"));
    QPushButton* open
        = buttons->addButton(QStringLiteral("Open in Address Book"), QDialogButtonBox::ActionRole);
    open->setObjectName(QStringLiteral("cardOpen"));
    open->setEnabled(!contact_.file.empty());
    QObject::connect(open, &QPushButton::clicked, dialog, [this] { OpenInAddressBook(); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);

    if (!CoverHandheldOwner(*dialog, owner_)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
    return TRUE;
}

void ContactCard::OpenInAddressBook()
{
    const QUrl file = QUrl::fromLocalFile(QString::fromStdString(contact_.file.string()));
    if (Opener())
        Opener()(file);
    else
        QDesktopServices::openUrl(file);
}
