#include "EntryHeader.h"

#include "DbAItem.h"
#include "DbCItem.h"
#include "JournalProps.h"
#include "PackedLists.h"
#include "ProgramFont.h"
#include "ZTime.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int kFixedRows = 3;
constexpr int kLineHeight = 16;
constexpr int kCaptionWidth = 60;
constexpr int kIconWidth = 12;

QString FromZ(const ZString& text)
{
    return text.IsEmpty() ? QString() : text.ToQString();
}

// A static text that reports taps to its header.
class TapLabel : public QLabel {
public:
    TapLabel(QWidget* parent, std::function<void()> tapped)
        : QLabel(parent)
        , tapped_(std::move(tapped))
    {
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            tapped_();
    }

private:
    std::function<void()> tapped_;
};

// A 12 x 12 picture: a filled mark of `colour`, `bars` high (1..3).
QPixmap Mark(const QColor& colour, int bars, bool lock)
{
    QPixmap picture(kIconWidth, kIconWidth);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(colour);
    painter.setBrush(colour);
    if (lock) {
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(3, 0, 6, 8, 0, 180 * 16);
        painter.setBrush(colour);
        painter.drawRect(2, 5, 8, 6);
    } else {
        for (int bar = 0; bar < bars; ++bar)
            painter.drawRect(1 + bar * 4, 11 - 3 * (bar + 1), 2, 3 * (bar + 1));
    }
    return picture;
}

} // namespace

EntryHeader::EntryHeader(QWidget* parent, std::function<void(int field)> tapped)
    : QWidget(parent)
    , tapped_(std::move(tapped))
{
    setObjectName(QStringLiteral("entryHeader"));
    setProperty("windowClass", QStringLiteral("ZC_DETAIL"));
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    setPalette(white);

    const QFont bold = ProgramFont(12);
    const QFont normal = ProgramFont(11, false);

    date_ = AddField(kDate, "headerDate");
    QPalette blue = date_->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 0xFF));
    date_->setPalette(blue);
    priority_ = AddField(kPriority, "headerPriority");
    sensitivity_ = AddField(kSensitivity, "headerSensitivity");
    subjectLabel_ = AddField(kSubject, "headerSubject");
    subjectLabel_->setFont(bold);
    subjectLabel_->setWordWrap(false);
    subject_ = QStringLiteral("No Subject");
    subjectLabel_->setText(subject_);
    type_ = AddField(kType, "headerType");
    type_->setFont(normal);
    duration_ = AddField(kDuration, "headerDuration");
    duration_->setFont(normal);
    duration_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    companyCaption_ = AddCaption(QStringLiteral("Company:"), "headerCompanyLabel");
    company_ = AddField(kCompany, "headerCompany");
    contactsCaption_ = AddCaption(QStringLiteral("Contacts:"), "headerContactsLabel");
    contacts_ = AddField(kContacts, "headerContacts");
    categoriesCaption_ = AddCaption(QStringLiteral("Categories:"), "headerCategoriesLabel");
    categories_ = AddField(kCategories, "headerCategories");
    for (QLabel* caption : { companyCaption_, contactsCaption_, categoriesCaption_ })
        caption->setFont(normal);
    for (QLabel* optional : { duration_, companyCaption_, company_, contactsCaption_, contacts_,
             categoriesCaption_, categories_ })
        optional->hide();
}

QLabel* EntryHeader::AddField(int field, const char* name)
{
    auto* label = new TapLabel(this, [this, field] { tapped_(field); });
    label->setObjectName(QString::fromLatin1(name));
    label->setProperty("controlId", field);
    return label;
}

QLabel* EntryHeader::AddCaption(const QString& text, const char* name)
{
    auto* caption = new QLabel(text, this);
    caption->setObjectName(QString::fromLatin1(name));
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->setContentsMargins(0, 0, 3, 0);
    QPalette colours = caption->palette();
    colours.setColor(QPalette::WindowText, QColor(0x4B, 0x4B, 0xC8));
    caption->setPalette(colours);
    return caption;
}

QLabel* EntryHeader::FieldLabel(int field) const
{
    for (QLabel* label : findChildren<QLabel*>())
        if (label->property("controlId").toInt() == field)
            return label;
    return nullptr;
}

void EntryHeader::SetOptional(int field, QLabel* caption, const QString& text)
{
    QLabel* label = FieldLabel(field);
    label->setText(text);
    label->setVisible(!text.isEmpty());
    caption->setVisible(!text.isEmpty());
}

QPixmap EntryHeader::PriorityPicture(int priority)
{
    static const QColor colours[PRIORITY_COUNT] = { QColor(0, 0x80, 0), QColor(0x80, 0x80, 0x80), QColor(0xC0, 0, 0) };
    if (PriorityText(priority) == nullptr)
        return {};
    return Mark(colours[priority], priority + 1, false);
}

QPixmap EntryHeader::SensitivityPicture(int sensitivity)
{
    // Normal shows nothing; the others a lock, darker the more private.
    if (SensitivityText(sensitivity) == nullptr || sensitivity == 0)
        return {};
    return Mark(QColor(0x40 * (4 - sensitivity), 0x40, 0x40), 0, true);
}

void EntryHeader::Fill(const ZJITEMS& entry)
{
    if (const DbJItem* item = entry.GetItem(PROPID_SUBJECT); item && item->GetStrValue() && *item->GetStrValue())
        subject_ = QString::fromUtf16(item->GetStrValue());
    else
        subject_ = QStringLiteral("No Subject");
    if (const DbJItem* item = entry.GetItem(PROPID_DATE)) {
        const ZTime when(item->GetFileTime());
        ZString day, time;
        when.FormatDate(u"ddd, MMM d yyyy", day);
        when.FormatTime(u"h:mm tt", time);
        date_->setText(FromZ(day) + QStringLiteral(" - ") + FromZ(time));
    }
    if (const DbJItem* item = entry.GetItem(PROPID_TYPE)) {
        const WCHAR* name = TypeText(item->GetShort());
        type_->setText(name ? QString::fromUtf16(name) : QString());
    }
    if (const DbJItem* item = entry.GetItem(PROPID_PRIORITY))
        priority_->setPixmap(PriorityPicture(item->GetShort()));
    if (const DbJItem* item = entry.GetItem(PROPID_SENSITIVITY))
        sensitivity_->setPixmap(SensitivityPicture(item->GetShort()));
    if (const DbJItem* item = entry.GetItem(PROPID_DURATION)) {
        ZString text;
        ZTime(item->GetFileTime()).DurationText(text);
        duration_->setText(FromZ(text));
        duration_->show();
    }
    const DbJItem* company = entry.GetItem(PROPID_COMPANY);
    SetOptional(kCompany, companyCaption_,
        company && company->GetStrValue() ? QString::fromUtf16(company->GetStrValue()) : QString());
    QStringList names;
    if (const DbJItem* item = entry.GetItem(PROPID_CONTACTS); item && item->GetBlob()) {
        std::vector<DbAItem> contacts;
        UnpackContacts(*item->GetBlob(), contacts);
        for (const DbAItem& contact : contacts)
            names << FromZ(contact.GetName());
    }
    SetOptional(kContacts, contactsCaption_, names.join(QStringLiteral("; ")));
    names.clear();
    if (const DbJItem* item = entry.GetItem(PROPID_CATEGORIES); item && item->GetBlob()) {
        std::vector<DbCItem> categories;
        UnpackCategories(*item->GetBlob(), categories);
        for (const DbCItem& category : categories)
            names << FromZ(category.GetName());
    }
    SetOptional(kCategories, categoriesCaption_, names.join(QStringLiteral(", ")));
    LayOut();
}

QString EntryHeader::FitSubject(const QString& subject, const QFont& font, int width)
{
    return QFontMetrics(font).elidedText(subject, Qt::ElideRight, std::max(0, width));
}

int EntryHeader::LayOut()
{
    const int right = width();
    const int wide = right - 7;
    const int half = wide / 2 - 1;
    date_->setGeometry(2, 2, right - 31, kLineHeight);
    priority_->setGeometry(right - 28, 2, kIconWidth, kLineHeight);
    sensitivity_->setGeometry(right - 15, 2, kIconWidth, kLineHeight);
    subjectLabel_->setGeometry(2, 19, wide, kLineHeight);
    subjectLabel_->setText(FitSubject(subject_, subjectLabel_->font(), wide - 2));
    type_->setGeometry(2, 36, half, kLineHeight);
    duration_->setGeometry(half + 4, 36, half, kLineHeight);
    int rows = kFixedRows;
    int y = 53;
    const std::pair<QLabel*, QLabel*> optional[] = { { companyCaption_, company_ },
        { contactsCaption_, contacts_ }, { categoriesCaption_, categories_ } };
    for (const auto& [caption, field] : optional) {
        if (field->text().isEmpty())
            continue;
        caption->setGeometry(2, y + 1, kCaptionWidth, kLineHeight);
        field->setGeometry(kCaptionWidth + 2, y, wide - kCaptionWidth - 2, kLineHeight);
        ++rows;
        y += 17;
    }
    const int height = kRowHeight * rows;
    if (this->height() != height)
        setFixedHeight(height);
    return height;
}

void EntryHeader::resizeEvent(QResizeEvent*)
{
    LayOut();
}
