#include "AboutBox.h"

#include "ProgramText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QSysInfo>
#include <QVBoxLayout>

int AboutBox::Run(QWidget* owner)
{
    return DoModal(owner, QStringLiteral("About"), QStringLiteral("aboutDialog"));
}

QString AboutBox::Text()
{
    const QString version = QCoreApplication::applicationVersion();
    return QStringLiteral(
        "<b>%1</b><br>%2<br>A personal journal.<br><br>Runs on %3 (%4) with Qt %5.<br>Built with Qt %6.")
        .arg(QString::fromUtf16(kWindowTitle),
            version.isEmpty() ? QString() : QStringLiteral("Version %1").arg(version),
            QSysInfo::prettyProductName(), QSysInfo::currentCpuArchitecture(),
            QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
}

BOOL AboutBox::OnInitDialog()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(dialog);
    icon->setPixmap(QApplication::windowIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    auto* text = new QLabel(Text(), dialog);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    top->addWidget(text, 1);
    layout->addLayout(top);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->setObjectName(QStringLiteral("aboutButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);
    // Narrow enough for a handheld screen; the text wraps.
    dialog->resize(
        230, dialog->heightForWidth(230) > 0 ? dialog->heightForWidth(230) : dialog->sizeHint().height());
    CenterInWorkArea();
    return TRUE;
}
