// Times the entry editor on a journal of 100,000 entries with a complete
// relation index (nine in ten entries listed under "None"): opening the editor
// on an entry until its page is painted, saving a changed entry with its
// references (OK), a keystroke in a note of 100,000 characters until the
// page is painted again, and the attachment picker opening on a folder of
// 10,000 files.
// Run a Release build:  bench_editor [entries]
// Offscreen unless QT_QPA_PLATFORM says otherwise; the journal and the
// folder are built in a temporary folder that is removed at the end.

#include "BenchHome.h"
#include "BenchTiming.h"
#include "AttachmentPicker.h"
#include "DbCats.h"
#include "DbKestrin.h"
#include "EntrySave.h"
#include "EntryEditor.h"
#include "JournalEntries.h"
#include "JournalProps.h"
#include "LocalHeap.h"
#include "NoteBlob.h"
#include "ObjectStore.h"
#include "ProgramText.h"
#include "SelectionList.h"
#include "UiHooks.h"
#include "ZApp.h"
#include "ZCInkNote.h"

#include <QAction>
#include <QApplication>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <time.h>
#include <unistd.h>

namespace {

using bench::Clock;
using bench::Millis;
using bench::Time;

using bench::Print;

class BenchSettings : public ZApp {
public:
    BenchSettings()
        : ZApp(kProfileKey)
    {
    }
    int Run() override { return 0; }
};

// `count` entries written straight into the record database (all fields), every tenth
// with a category and a contact, the others without (listed under "None");
// then the relation records and category counters as DbKestrin::Write
// would have left them, written in bulk.
std::vector<CEOID> Fill(DbKestrin& journal, int count)
{
    const std::u16string names[] = { u"Business", u"Personal", NONE_NAME };
    DbCats cats;
    cats.Open(nullptr);
    CEOID categoryOids[3];
    for (int i = 0; i < 3; ++i)
        categoryOids[i] = cats.AddCategory(names[i].c_str(), PROPID_CATCOUNT_JOURNAL);
    cats.HideCategory(categoryOids[2]);
    ZOidsProp categoryLists[3];
    ZOidsProp ann;
    ZOidsProp nobody;
    std::vector<CEOID> oids;
    std::mt19937 random(11);
    ObjectStoreTransaction transaction;
    for (int n = 0; n < count; ++n) {
        const std::string text = "Journal entry number " + std::to_string(n);
        Entry entry { .subject = std::u16string(text.begin(), text.end()),
            .date = At(static_cast<WORD>(2000 + random() % 9), static_cast<WORD>(1 + random() % 12),
                static_cast<WORD>(1 + random() % 28)),
            .type = static_cast<SHORT>(n % TYPE_COUNT),
            .company = u"Company" };
        const int category = n % 10 != 0 ? 2 : n % 20 == 0 ? 0 : 1;
        if (category != 2) {
            entry.categories = { names[category] };
            entry.contacts = { u"Ann Example" };
        }
        ZJITEMS set = MakeEntry(entry);
        const CEOID oid = DbTmp::WriteRecord(journal, 0, &set);
        oids.push_back(oid);
        categoryLists[category] += oid;
        (category == 2 ? nobody : ann) += oid;
    }
    for (int i = 0; i < 3; ++i) {
        WriteRelationList(journal.GetRelX(), names[i], KIND_CATEGORY, categoryLists[i]);
        CEPROPVAL counter = EmptyProp();
        counter.propid = PROPID_CATCOUNT_JOURNAL;
        counter.val.iVal = static_cast<SHORT>(std::min(categoryLists[i].Count(), 0x7FFF));
        cats.WriteProps(categoryOids[i], 1, &counter);
    }
    WriteRelationList(journal.GetRelX(), u"Ann Example", KIND_CONTACT, ann);
    WriteRelationList(journal.GetRelX(), NONE_NAME, KIND_CONTACT, nobody);
    transaction.Commit();
    cats.Close();
    journal.InvalidateRows();
    return oids;
}

double CpuMillis()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// An editor open (modeless) on `oid`, painted.
std::unique_ptr<EntryEditor> OpenEditor(DbKestrin& journal, ZApp& settings, SelectionList& selection, CEOID oid)
{
    selection.SetFocused(oid);
    auto editor = std::make_unique<EntryEditor>(journal, settings, selection);
    editor->CreateModeless(nullptr);
    editor->GetHandle()->resize(320, 480);
    editor->GetHandle()->grab();
    return editor;
}

void Close(std::unique_ptr<EntryEditor>& editor)
{
    if (editor->IsWindow())
        editor->Destroy();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    editor.reset();
}

} // namespace

int main(int argc, char* argv[])
{
    const int entries = bench::CountArgument(argc, argv, 100000);
    bench::DrawOffscreenUnlessChosen();
    const std::filesystem::path folder = bench::UseFreshDataFolder("editor");
    if (folder.empty())
        return 1;
    QApplication qt(argc, argv);
    RecordingUiHooks hooks;
    ScopedUiHooks installed(hooks);
    BenchSettings settings;
    SelectionList selection;
    DbKestrin journal;
    if (!journal.Open(nullptr))
        return 1;

    std::printf("building a journal of %d entries...\n", entries);
    std::vector<CEOID> oids;
    std::printf("%-52s %8.0f ms\n", "fill and index (not a target)", Time([&] { oids = Fill(journal, entries); }));
    std::mt19937 random(5);
    auto any = [&] { return oids[random() % oids.size()]; };

    std::vector<double> open;
    for (int round = 0; round < 20; ++round) {
        std::unique_ptr<EntryEditor> editor;
        open.push_back(Time([&] { editor = OpenEditor(journal, settings, selection, any()); }));
        Close(editor);
    }
    Print("open the editor on an entry, painted", open, "< 50 ms");

    // Saving: entries with a category and contact (index 10n), and plain
    // ones listed under "None" among ~90,000 others.
    for (bool plain : { false, true }) {
        std::vector<double> save;
        std::vector<double> saveCpu;
        for (int round = 0; round < 20; ++round) {
            const CEOID oid = oids[(random() % (oids.size() / 10)) * 10 + (plain ? 1 : 0)];
            auto editor = OpenEditor(journal, settings, selection, oid);
            // A change through the field itself, as a user makes it.
            QTest::mouseClick(editor->List().Table()->viewport(), Qt::LeftButton, {},
                editor->List().ValueRect(editor->RowOf(PROPID_COMPANY)).center());
            QTest::keyClicks(editor->InPlaceControl(), QStringLiteral("x"));
            QAction* ok = editor->GetHandle()->findChild<QAction*>(QStringLiteral("buttonOk"));
            const double cpu = CpuMillis();
            save.push_back(Time([&] { ok->trigger(); }));
            saveCpu.push_back(CpuMillis() - cpu);
            if (editor->Result() != 1)
                std::printf("save failed\n");
            Close(editor);
        }
        Print(plain ? "save (OK) an entry listed under \"None\"" : "save (OK) an entry with category and contact",
            save, "< 10 ms");
        Print("    the same, processor time only", saveCpu, "-");
    }

    {
        // The worst case: an entry leaves the "None" lists of ~90,000.
        std::vector<double> move;
        for (int round = 0; round < 10; ++round) {
            const CEOID oid = oids[(random() % (oids.size() / 10)) * 10 + 3];
            ZJITEMS set;
            journal.Read(oid, &set, FALSE);
            PackedListWriter categories;
            categories.AddCategory(0, u"Business");
            categories.StoreIn(*set.GetItem(PROPID_CATEGORIES));
            move.push_back(Time([&] {
                if (SaveEntry(journal, oid, set) != oid)
                    std::printf("save failed\n");
            }));
        }
        Print("SaveEntry: an entry under \"None\" gains a category", move, "< 10 ms");
    }

    {
        std::u16string text;
        while (text.size() < 100000)
            text += u"A line of the note, long enough to wrap on a handheld page, ending in a break.\n";
        text.resize(100000);
        const CEOID noted = AddEntry(journal, { .subject = u"long note", .note = WriteNote(text, "", {}) });
        auto editor = OpenEditor(journal, settings, selection, noted);
        editor->GetHandle()->findChild<QTabBar*>(QStringLiteral("editorTabs"))->setCurrentIndex(EntryEditor::kNotePage);
        QTextEdit* page = editor->Note().Edit();
        page->grab();
        page->moveCursor(QTextCursor::Start);
        page->moveCursor(QTextCursor::Down, QTextCursor::MoveAnchor);
        std::vector<double> keys;
        for (int round = 0; round < 50; ++round) {
            keys.push_back(Time([&] {
                QTest::keyClick(page, static_cast<char>('a' + round % 26));
                page->viewport()->repaint();
            }));
        }
        Print("keystroke in a 100,000-character note, repainted", keys, "< 16 ms");
        std::printf("    (note now %lld characters; page shown: %s)\n",
            static_cast<long long>(page->toPlainText().size()), page->isVisible() ? "yes" : "no");
        Close(editor);
    }

    {
        const std::filesystem::path big = std::filesystem::path(folder) / "many";
        std::filesystem::create_directories(big);
        for (int i = 0; i < 10000; ++i)
            std::ofstream(big / ("document " + std::to_string(i) + ".txt")) << "x";
        AttachmentPicker::SetStartFolder(QString::fromStdString(big.string()));
        std::vector<double> picker;
        for (int round = 0; round < 10; ++round) {
            ZJITEMS set;
            journal.Read(0, &set, FALSE);
            AttachmentPicker dialog(*set.GetItem(PROPID_ATTACHMENT));
            picker.push_back(Time([&] {
                dialog.CreateModeless(nullptr);
                dialog.GetHandle()->grab();
            }));
            dialog.Destroy();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        Print("attachment picker on a folder of 10,000 files", picker, "< 300 ms");
    }
    journal.Close();
    std::filesystem::remove_all(folder);
    return 0;
}
