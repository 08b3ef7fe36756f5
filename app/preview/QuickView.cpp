#include "QuickView.h"

#include "EntryHeader.h"
#include "JournalProps.h"
#include "NoteView.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int kNoteControl = 1020;

// The note pane: read-only, a tap reports the Note field.
class NotePane : public QTextEdit {
public:
    NotePane(QWidget* parent, std::function<void()> tapped)
        : QTextEdit(parent)
        , tapped_(std::move(tapped))
    {
        setObjectName(QStringLiteral("quickViewNote"));
        setReadOnly(true);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QTextEdit::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton) {
            // The selection is cleared before the editor takes over.
            QTextCursor cursor = textCursor();
            cursor.clearSelection();
            setTextCursor(cursor);
            tapped_();
        }
    }

private:
    std::function<void()> tapped_;
};

} // namespace

int QuickView::EditFieldOf(int control)
{
    switch (control) {
    case EntryHeader::kSubject: return 102;
    case EntryHeader::kDate: return 101;
    case EntryHeader::kDuration: return 109;
    case EntryHeader::kCategories: return 104;
    case EntryHeader::kContacts: return 110;
    case EntryHeader::kType: return 105;
    case EntryHeader::kPriority: return 107;
    case EntryHeader::kSensitivity: return 108;
    case EntryHeader::kCompany: return 111;
    case kNoteControl: return 103;
    default: return 0;
    }
}

int QuickView::Run(QWidget* parent, DbKestrin& journal, CEOID oid, int noteZoom)
{
    ZJITEMS entry;
    if (oid == 0 || journal.Read(oid, &entry, 0) != oid)
        return kClosed;

    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("quickView"));
    dialog.setWindowTitle(QStringLiteral("Kestrin Entry"));
    auto end = [&dialog](int control) { dialog.done(EditFieldOf(control)); };
    auto* header = new EntryHeader(&dialog, end);
    auto* note = new NotePane(&dialog, [end] { end(kNoteControl); });
    const DbJItem* noteItem = entry.GetItem(PROPID_NOTE);
    ShowNote(*note, noteItem ? noteItem->GetBlob() : nullptr, noteZoom);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("quickViewOk"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog] { dialog.done(kClosed); });

    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(header);
    layout->addWidget(note, 1);
    layout->addWidget(buttons);
    header->Fill(entry);
    // Full window: the page covers its owner, as on the handheld.
    if (parent != nullptr)
        dialog.setGeometry(QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size()));
    const int result = dialog.exec();
    return result == QDialog::Rejected ? kClosed : result;
}
