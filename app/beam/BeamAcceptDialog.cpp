#include "BeamAcceptDialog.h"

#include "DialogPlacement.h"
#include "ExportWriter.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr QSize kDesktopSize(360, 420);

QWidget* FieldsOf(const ZJITEMS& entry, QWidget* parent)
{
    auto* area = new QScrollArea(parent);
    area->setObjectName(QStringLiteral("beamAcceptFields"));
    area->setWidgetResizable(true);
    auto* fields = new QWidget(area);
    auto* form = new QFormLayout(fields);
    form->setContentsMargins(4, 4, 4, 4);
    form->setLabelAlignment(Qt::AlignRight);
    for (const DbJItem* field : entry) {
        QString value = QString::fromStdU16String(ExportWriter::FieldText(*field, ExportFormat::SimpleText));
        // One line per value, as a property list shows it.
        if (const qsizetype end = value.indexOf(QLatin1Char('\n')); end >= 0)
            value = value.left(end).trimmed() + QStringLiteral("...");
        auto* shown = new QLabel(value, fields);
        shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
        shown->setWordWrap(true);
        form->addRow(field->GetLabel().ToQString(), shown);
    }
    area->setWidget(fields);
    return area;
}

} // namespace

QString BeamOfferText(const BeamOffer& offer)
{
    QString text = offer.whole == 1
        ? QStringLiteral("%1 is sending 1 entry.").arg(offer.sender)
        : QStringLiteral("%1 is sending %2 entries.").arg(offer.sender).arg(offer.whole);
    if (offer.announced != offer.whole)
        text += QStringLiteral("\n(%1 of the %2 entries announced arrived whole.)").arg(offer.whole).arg(offer.announced);
    return text
        + (offer.whole == 1 ? QStringLiteral("\n\nStore it in this journal?")
                            : QStringLiteral("\n\nStore them in this journal?"));
}

bool AskToAcceptBeam(QWidget* owner, const BeamOffer& offer)
{
    QDialog question(owner);
    question.setObjectName(QStringLiteral("beamAccept"));
    question.setWindowTitle(QStringLiteral("Receive via Infrared"));
    auto* layout = new QVBoxLayout(&question);
    layout->setContentsMargins(8, 8, 8, 8);
    auto* text = new QLabel(BeamOfferText(offer), &question);
    text->setObjectName(QStringLiteral("beamAcceptText"));
    text->setWordWrap(true);
    layout->addWidget(text);
    if (offer.first != nullptr) {
        layout->addWidget(new QLabel(QStringLiteral("The first entry:"), &question));
        layout->addWidget(FieldsOf(*offer.first, &question), 1);
    }
    auto* buttons = new QDialogButtonBox(&question);
    QPushButton* yes = buttons->addButton(QStringLiteral("Accept"), QDialogButtonBox::AcceptRole);
    yes->setObjectName(QStringLiteral("beamAcceptYes"));
    QPushButton* no = buttons->addButton(QDialogButtonBox::Cancel);
    no->setObjectName(QStringLiteral("beamAcceptNo"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &question, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &question, &QDialog::reject);
    layout->addWidget(buttons);
    if (!CoverHandheldOwner(question, owner))
        question.setMinimumSize(kDesktopSize);
    return question.exec() == QDialog::Accepted;
}
