// The Attachment row and its picker: paths stored as they are, old doubled
// paths read back, missing files shown in red and offered for removal.

#include "EditorFixture.h"

#include "AttachmentPath.h"
#include "AttachmentPicker.h"
#include "JournalProps.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QTreeWidget>

#include <fstream>

namespace {

// Runs `act` on the attachment picker as soon as it is the active dialog.
void WhenPickerOpens(std::function<void(QDialog&)> act)
{
    auto* watch = new QTimer;
    watch->setInterval(10);
    QObject::connect(watch, &QTimer::timeout, [watch, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->objectName() == QStringLiteral("attachmentPicker") && dialog->isVisible()) {
            watch->stop();
            watch->deleteLater();
            act(*dialog);
        }
    });
    watch->start();
}

} // namespace

TEST(AttachmentPathTest, DisplayNameAndOldDoubledPaths)
{
    EXPECT_EQ(AttachmentDisplayName(QStringLiteral("/home/ann/notes.txt")), QStringLiteral("notes.txt"));
    EXPECT_EQ(AttachmentDisplayName(QStringLiteral("\\My Documents\\memo.pwd")), QStringLiteral("memo.pwd"));
    EXPECT_EQ(AttachmentDisplayName(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(AttachmentFilePath(QStringLiteral("/no/such/R&&D.txt")), QStringLiteral("/no/such/R&D.txt"));
    EXPECT_EQ(AttachmentFilePath(QStringLiteral("/no/such/R&D.txt")), QStringLiteral("/no/such/R&D.txt"));
    EXPECT_FALSE(AttachmentMissing(QString()));
    EXPECT_TRUE(AttachmentMissing(QStringLiteral("/no/such/file")));
}

TEST_F(EditorTest, AttachmentCellShowsTheNameInRedWhenTheFileIsMissing)
{
    const std::string real = (home.path() / "R&D plan.txt").string();
    std::ofstream(real) << "plan";
    const std::u16string realPath(real.begin(), real.end());
    const std::string doubled = (home.path() / "R&&D plan.txt").string();
    const CEOID present = Add({ .subject = u"p", .date = At(2020, 1, 1), .attachment = realPath });
    const CEOID old = Add({ .subject = u"o", .date = At(2020, 1, 1),
        .attachment = std::u16string(doubled.begin(), doubled.end()) });
    const CEOID gone = Add({ .subject = u"g", .date = At(2020, 1, 1), .attachment = u"/no/such/dir/gone.doc" });

    for (CEOID oid : { present, old }) {
        OpenEditor(oid);
        EXPECT_EQ(Cell(PROPID_ATTACHMENT), QStringLiteral("R&D plan.txt"));
        EXPECT_FALSE(CellColor(PROPID_ATTACHMENT).isValid());
    }
    OpenEditor(gone);
    EXPECT_EQ(Cell(PROPID_ATTACHMENT), QStringLiteral("gone.doc"));
    EXPECT_EQ(CellColor(PROPID_ATTACHMENT), QColor(Qt::red));

    // The picker offers to remove the missing file's reference; Yes does.
    hooks.QueueAnswer(IDYES);
    TapValue(PROPID_ATTACHMENT);
    EXPECT_EQ(LastMessage().substr(0, 40), u"The referenced file can not be found. Pe");
    EXPECT_EQ(Cell(PROPID_ATTACHMENT), QString());
    EXPECT_TRUE(editor->IsChanged());
    PressOk();
    EXPECT_EQ(Text(Read(gone).GetItem(PROPID_ATTACHMENT)->GetStrValue()), u"");
}

TEST_F(EditorTest, PickerOpensAtTheAttachedFileAndStoresThePathAsItIs)
{
    const std::string folder = (home.path() / "docs").string();
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/A&B.txt") << "a";
    std::ofstream(folder + "/other.txt") << "b";
    const std::u16string first = std::u16string(folder.begin(), folder.end()) + u"/A&B.txt";
    const CEOID oid = Add({ .subject = u"p", .date = At(2020, 1, 1), .attachment = first });
    AttachmentPicker::SetStartFolder(QString::fromStdString(home.path().string()));
    OpenEditor(oid);

    QString selectedAtOpen;
    WhenPickerOpens([&](QDialog& dialog) {
        auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("attachmentTree"));
        selectedAtOpen = tree->currentItem() ? tree->currentItem()->text(0) : QString();
        QTreeWidgetItem* parent = tree->currentItem()->parent();
        for (int i = 0; i < parent->childCount(); ++i)
            if (parent->child(i)->text(0) == QStringLiteral("other.txt"))
                tree->setCurrentItem(parent->child(i));
        dialog.accept();
    });
    TapValue(PROPID_ATTACHMENT);
    EXPECT_EQ(selectedAtOpen, QStringLiteral("A&B.txt"));
    EXPECT_EQ(Cell(PROPID_ATTACHMENT), QStringLiteral("other.txt"));
    EXPECT_TRUE(editor->IsChanged());

    // Clear empties the attachment.
    WhenPickerOpens([&](QDialog& dialog) {
        dialog.findChild<QAction*>(QStringLiteral("buttonClear"))->trigger();
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.accept(); });
    });
    TapValue(PROPID_ATTACHMENT);
    EXPECT_EQ(Cell(PROPID_ATTACHMENT), QString());

    WhenPickerOpens([&](QDialog& dialog) {
        auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("attachmentTree"));
        // Without an attachment the tree opens at the start folder; the
        // file is picked by walking from the root.
        EXPECT_EQ(tree->currentItem()->text(0), QString::fromStdString(home.path().filename().string()));
        QTreeWidgetItem* item = tree->topLevelItem(0);
        for (const QString& part : QString::fromStdU16String(first).split(u'/', Qt::SkipEmptyParts)) {
            item->setExpanded(true);
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < item->childCount() && !next; ++i)
                if (item->child(i)->text(0) == part)
                    next = item->child(i);
            ASSERT_NE(next, nullptr);
            item = next;
        }
        tree->setCurrentItem(item);
        dialog.accept();
    });
    TapValue(PROPID_ATTACHMENT);
    PressOk();
    EXPECT_EQ(Text(Read(oid).GetItem(PROPID_ATTACHMENT)->GetStrValue()), first);
}
