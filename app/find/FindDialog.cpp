#include "FindDialog.h"

#include "DialogPlacement.h"
#include "Settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QRadioButton* AddChoice(QButtonGroup* group, QLayout* layout, const QString& text, const char* name, int id)
{
    auto* button = new QRadioButton(text);
    button->setObjectName(QString::fromLatin1(name));
    group->addButton(button, id);
    layout->addWidget(button);
    return button;
}

QDate ToQDate(const ZTime& time)
{
    const SYSTEMTIME parts = time.ToSystemTime();
    return QDate(parts.wYear, parts.wMonth, parts.wDay);
}

ZTime FromQDate(const QDate& date)
{
    SYSTEMTIME parts {};
    parts.wYear = static_cast<WORD>(date.year());
    parts.wMonth = static_cast<WORD>(date.month());
    parts.wDay = static_cast<WORD>(date.day());
    return ZTime(parts);
}

QString CountText(DWORD count, bool exact)
{
    const QString entries = count == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(count);
    return exact ? entries : QStringLiteral("at least ") + entries;
}

} // namespace

FindDialog::FindDialog(QWidget* parent, FindRequest& request, DbKestrin& journal, ZRegistry& settings)
    : QDialog(parent)
    , request_(request)
    , journal_(journal)
    , settings_(settings)
{
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("Find"));
    request_.results.clear();
    request_.LoadSettings(settings_);

    auto* byBox = new QGroupBox(QStringLiteral(" Search by "));
    auto* byLayout = new QHBoxLayout(byBox);
    by_ = new QButtonGroup(this);
    AddChoice(by_, byLayout, QStringLiteral("Date"), "findByDate", int(FindBy::Date));
    AddChoice(by_, byLayout, QStringLiteral("Subject"), "findBySubject", int(FindBy::Subject));
    AddChoice(by_, byLayout, QStringLiteral("Entry"), "findByEntry", int(FindBy::Note));
    by_->button(int(request_.by))->setChecked(true);

    auto* fromBox = new QGroupBox(QStringLiteral(" Search from "));
    auto* fromLayout = new QHBoxLayout(fromBox);
    from_ = new QButtonGroup(this);
    AddChoice(from_, fromLayout, QStringLiteral("Top"), "findFromTop", FindRequest::kFromTop);
    AddChoice(from_, fromLayout, QStringLiteral("Current"), "findFromCurrent", FindRequest::kFromCurrent);
    from_->button(request_.from)->setChecked(true);

    auto* caseBox = new QGroupBox(QStringLiteral(" Case "));
    auto* caseLayout = new QHBoxLayout(caseBox);
    match_ = new QCheckBox(QStringLiteral("Match"));
    match_->setObjectName(QStringLiteral("findMatchCase"));
    match_->setChecked(request_.matchCase);
    caseLayout->addWidget(match_);

    auto* forBox = new QGroupBox(QStringLiteral(" Search for"));
    auto* forLayout = new QVBoxLayout(forBox);
    date_ = new QDateEdit(request_.day.Ticks() != 0 ? ToQDate(request_.day) : QDate::currentDate());
    date_->setObjectName(QStringLiteral("findDate"));
    date_->setCalendarPopup(true);
    text_ = new QComboBox;
    text_->setObjectName(QStringLiteral("findText"));
    text_->setEditable(true);
    text_->setInsertPolicy(QComboBox::NoInsert);
    text_->addItems(ReadFindHistory(settings_));
    const ZString last = Settings(settings_).LastSearch();
    if (!last.IsEmpty())
        for (int i = 0; i < text_->count(); ++i)
            if (text_->itemText(i).startsWith(last.ToQString(), Qt::CaseInsensitive)) {
                text_->setCurrentIndex(i);
                break;
            }
    if (!request_.text.empty())
        text_->setEditText(QString::fromStdU16String(request_.text));
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("findCount"));
    // A zero-time timer: keys typed meanwhile are handled between slices.
    nextSlice_ = new QTimer(this);
    nextSlice_->setObjectName(QStringLiteral("findCountSlice"));
    nextSlice_->setSingleShot(true);
    nextSlice_->setInterval(0);
    connect(nextSlice_, &QTimer::timeout, this, [this] { CountOn(); });
    forLayout->addWidget(date_);
    forLayout->addWidget(text_);
    forLayout->addWidget(count_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("findOk"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    for (QWidget* part : { static_cast<QWidget*>(byBox), static_cast<QWidget*>(fromBox),
             static_cast<QWidget*>(caseBox), static_cast<QWidget*>(forBox), static_cast<QWidget*>(buttons) })
        layout->addWidget(part);
    layout->addStretch(1);

    // Each choice is taken into the request at once.
    connect(by_, &QButtonGroup::idClicked, this, [this](int id) {
        request_.by = FindBy(id);
        ShowSearchBy();
    });
    connect(from_, &QButtonGroup::idClicked, this, [this](int id) { request_.from = id; });
    connect(match_, &QCheckBox::toggled, this, [this](bool on) {
        request_.matchCase = on;
        UpdateCount();
    });
    connect(text_, &QComboBox::editTextChanged, this, [this] { UpdateCount(); });
    connect(date_, &QDateEdit::dateChanged, this, [this] { UpdateCount(); });
    ShowSearchBy();
    CoverHandheldOwner(*this, parent);
}

void FindDialog::ShowSearchBy()
{
    const bool byDate = request_.by == FindBy::Date;
    date_->setVisible(byDate);
    text_->setVisible(!byDate);
    match_->setEnabled(!byDate);
    (byDate ? static_cast<QWidget*>(date_) : text_)->setFocus();
    UpdateCount();
}

void FindDialog::UpdateCount()
{
    nextSlice_->stop();
    counter_.reset();
    FindQuery query { .by = request_.by, .matchCase = request_.matchCase };
    if (request_.by == FindBy::Date)
        query.day = FromQDate(date_->date());
    else
        query.text = text_->currentText().toStdU16String();
    // Counting by walking every note would lag behind the keys: the count
    // shows once the index can answer (three characters).
    if (!AnsweredQuickly(journal_, query)) {
        count_->clear();
        return;
    }
    counter_.emplace(journal_, query);
    CountOn();
}

void FindDialog::CountOn()
{
    if (!counter_)
        return;
    const bool exact = counter_->Step(slice_);
    count_->setText(CountText(counter_->Count(), exact));
    if (exact)
        counter_.reset();
    else
        nextSlice_->start();
}

void FindDialog::accept()
{
    request_.SaveSettings(settings_);
    if (request_.by == FindBy::Date) {
        request_.day = FromQDate(date_->date());
    } else {
        QStringList shown;
        for (int i = 0; i < text_->count(); ++i)
            shown << text_->itemText(i);
        request_.text = WriteFindHistory(settings_, text_->currentText(), shown).toStdU16String();
    }
    done(1);
}

void FindDialog::done(int result)
{
    nextSlice_->stop();
    counter_.reset();
    QDialog::done(result);
}
