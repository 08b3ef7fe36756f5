#include "MaintenanceDialog.h"

#include "DbKestrin.h"
#include "DialogPlacement.h"
#include "UiHooks.h"
#include "ZString.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr QSize kDesktopSize(300, 260);

} // namespace

MaintenanceDialog::MaintenanceDialog(DbKestrin& journal)
    : journal_(journal)
{
}

int MaintenanceDialog::Run(QWidget* owner)
{
    owner_ = owner;
    return DoModal(owner, QStringLiteral("Kestrin Maintenance"), QStringLiteral("maintenanceDialog"));
}

QString MaintenanceDialog::FigureText(DWORD value)
{
    return QString::number(value);
}

QLabel* MaintenanceDialog::AddFigure(
    QGridLayout* grid, int row, const QString& label, int id, const char* name)
{
    QDialog* dialog = Dialog();
    grid->addWidget(new QLabel(label, dialog), row, 0);
    auto* value = new QLabel(QStringLiteral("0"), dialog);
    value->setObjectName(QString::fromLatin1(name));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SetItem(id, value);
    grid->addWidget(value, row, 1);
    return value;
}

BOOL MaintenanceDialog::OnInitDialog()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(8, 8, 8, 8);
    auto* grid = new QGridLayout;
    AddFigure(grid, 0, QStringLiteral("Records"), kRecordsId, "maintenanceRecords");
    AddFigure(grid, 1, QStringLiteral("Contact Links"), kContactLinksId, "maintenanceContactLinks");
    AddFigure(grid, 2, QStringLiteral("Category Links"), kCategoryLinksId, "maintenanceCategoryLinks");
    AddFigure(grid, 3, QStringLiteral("Database Size (Bytes)"), kSizeId, "maintenanceSize");
    grid->setColumnStretch(0, 1);
    layout->addLayout(grid);

    auto* check = new QPushButton(QStringLiteral("Integrity Check"), dialog);
    check->setObjectName(QStringLiteral("maintenanceCheck"));
    ConnectCommand(kCheckId, check);
    layout->addWidget(check);

    progress_.Create({}, {}, dialog, QStringLiteral("maintenanceProgress"));
    SetItem(kProgressId, progress_.GetHandle());
    layout->addWidget(progress_.GetHandle());
    status_.Create({}, {}, dialog, QStringLiteral("maintenanceStatus"));
    SetItem(kStatusId, status_.GetHandle());
    layout->addWidget(status_.GetHandle());
    layout->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->setObjectName(QStringLiteral("maintenanceButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);

    FillValues();
    if (!CoverHandheldOwner(*dialog, owner_)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
    return TRUE;
}

void MaintenanceDialog::FillValues()
{
    const JournalStats stats = GetJournalStats(journal_);
    const std::pair<int, DWORD> figures[] = {
        { kRecordsId, stats.records },
        { kContactLinksId, stats.contactLinks },
        { kCategoryLinksId, stats.categoryLinks },
        { kSizeId, stats.sizeBytes },
    };
    for (const auto& [id, value] : figures)
        if (auto* label = qobject_cast<QLabel*>(GetItem(id)))
            label->setText(FigureText(value));
}

void MaintenanceDialog::RunIntegrityCheck()
{
    EnableItem(kCheckId, FALSE);
    ZString error;
    journal_.Cleanup(FALSE, &progress_, &status_, &error);
    if (!error.IsEmpty())
        MessageBox(error, u"Kestrin", MB_OK | MB_ICONEXCLAMATION);
    FillValues();
    EnableItem(kCheckId, TRUE);
}

LRESULT MaintenanceDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == kCheckId) {
        RunIntegrityCheck();
        return 1;
    }
    // OK is the way out: Escape and the close button end it the same way.
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_CANCEL) {
        EndOk();
        return 1;
    }
    return ZDialog::WindowProc(message, wParam, lParam);
}
