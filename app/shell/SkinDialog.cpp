#include "SkinDialog.h"

#include "Settings.h"
#include "ZString.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The preview rectangle: painted by the dialog.
class PreviewArea : public QWidget {
public:
    PreviewArea(QWidget* parent, const SkinDialog& owner)
        : QWidget(parent)
        , owner_(owner)
    {
        setObjectName(QStringLiteral("skinPreview"));
        setMinimumSize(200, 110);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        owner_.PaintPreview(painter, rect());
    }

private:
    const SkinDialog& owner_;
};

QString LoadText(UINT id)
{
    ZString text;
    text.LoadString(id);
    return text.ToQString();
}

} // namespace

SkinDialog::SkinDialog(ZRegistry& store, Skin& programSkin)
    : store_(store)
    , programSkin_(programSkin)
{
}

int SkinDialog::Run(QWidget* owner)
{
    return DoModal(owner, LoadText(40033), QStringLiteral("skinDialog"));
}

QString SkinDialog::Selected() const
{
    const QListWidgetItem* item = list_ ? list_->currentItem() : nullptr;
    return item ? item->text() : QString();
}

BOOL SkinDialog::OnInitDialog()
{
    QDialog* dialog = Dialog();
    changed_ = false;
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(10, 10, 10, 10);
    previewArea_ = new PreviewArea(dialog, *this);
    layout->addWidget(previewArea_, 1);

    list_ = new QListWidget(dialog);
    list_->setObjectName(QStringLiteral("skinList"));
    list_->addItems(Skin::Available());
    SetItem(kListId, list_);
    layout->addWidget(list_, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("skinButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);

    // The current skin is selected; when it is not listed, the first one is.
    const QString current = Settings(store_).Skin().ToQString();
    const QList<QListWidgetItem*> found
        = list_->findItems(current, Qt::MatchExactly | Qt::MatchCaseSensitive);
    list_->setCurrentItem(found.isEmpty() ? list_->item(0) : found.first());
    list_->scrollToItem(list_->currentItem());
    LoadPreview();
    QObject::connect(list_, &QListWidget::currentItemChanged, dialog, [this] {
        changed_ = true;
        LoadPreview();
    });

    dialog->resize(240, 300);
    CenterInWorkArea();
    return TRUE;
}

void SkinDialog::LoadPreview()
{
    const ZString name = ZString::FromQString(Selected());
    previewLoaded_ = !name.IsEmpty() && preview_.Load(name);
    if (previewArea_)
        previewArea_->update();
}

void SkinDialog::PaintPreview(QPainter& painter, const QRect& rect) const
{
    if (previewLoaded_) {
        painter.fillRect(rect, preview_.brush);
        if (!preview_.bitmap.isNull())
            painter.drawPixmap(rect.topLeft(), preview_.bitmap);
        QFont font = painter.font();
        font.setPixelSize(11);
        font.setBold(true);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        const QPoint origin = rect.topLeft() + QPoint(10, 10 + metrics.ascent());
        painter.setPen(ToQColor(preview_.menuText));
        painter.drawText(origin, QStringLiteral("Menu Text"));
        painter.setPen(ToQColor(preview_.selectedText));
        painter.drawText(origin + QPoint(0, 16), QStringLiteral("Menu Text Selected"));
    } else {
        painter.fillRect(rect, Dialog() ? Dialog()->palette().window() : QBrush(Qt::lightGray));
        painter.setPen(Dialog() ? Dialog()->palette().color(QPalette::WindowText) : QColor(Qt::black));
        painter.drawText(rect, Qt::AlignCenter, LoadText(40064));
    }
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

LRESULT SkinDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_OK) {
        if (changed_) {
            const QString chosen = Selected().left(Settings::kMaxSkinChars);
            const ZString name = ZString::FromQString(chosen);
            Settings(store_).SetSkin(name);
            programSkin_.Load(name);
            programSkin_.changed = true;
        }
        EndOk();
        return 1;
    }
    return ZDialog::WindowProc(message, wParam, lParam);
}
