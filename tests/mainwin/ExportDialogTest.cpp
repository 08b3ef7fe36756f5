// The export command end to end: the dialog's choices, the file written and
// the messages, with the save dialog answered by the test.

#include "MainWinFixture.h"

#include "ExportDialog.h"
#include "ProgramText.h"
#include "ZTime.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Dates are written in the user's locale, fixed here to US English so that
// the expected files can be written out as they are.
class ExportDialogTest : public MainWinTest {
protected:
    ExportDialogTest()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        owner.resize(240, 320);
        ChooseFile(file, ExportFormat::CommaSeparated);
    }
    ~ExportDialogTest() override
    {
        ExportDialog::SetFileChooser({});
        QLocale::setDefault(previousLocale);
    }

    void ChooseFile(const std::filesystem::path& path, ExportFormat format)
    {
        ExportDialog::SetFileChooser([this, path, format](QWidget*, ExportDialog::Target& target) {
            ++chooserCalls;
            target.path = QString::fromStdString(path.string());
            target.format = format;
            return true;
        });
    }

    // Runs the command; `act` runs once the dialog is up (it ends it).
    int Run(const std::function<void(QDialog&)>& act)
    {
        QTimer::singleShot(0, &owner, [this, act] {
            if (QDialog* shown = dialog.Dialog())
                act(*shown);
        });
        const int result = dialog.Run(&owner);
        PumpAll();
        return result;
    }

    template <typename T> static T* Find(QDialog& shown, const char* name)
    {
        T* child = shown.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    static void Ok(QDialog& shown)
    {
        Find<QDialogButtonBox>(shown, "exportButtons")->button(QDialogButtonBox::Ok)->click();
    }
    // Keeps only the fields with these labels chosen.
    static void ChooseFields(QDialog& shown, const QStringList& labels)
    {
        auto* fields = Find<QListWidget>(shown, "exportFields");
        for (int row = 0; row < fields->count(); ++row)
            fields->item(row)->setSelected(labels.contains(fields->item(row)->text()));
    }

    std::vector<UiCall> Boxes() const { return hooks.Calls(UiCall::Kind::MessageBox); }

    QLocale previousLocale;
    QWidget owner;
    ExportDialog dialog { journal, selection };
    std::filesystem::path file = home.file("journal.csv");
    int chooserCalls = 0;
};

} // namespace

TEST_F(ExportDialogTest, CommaSeparatedWithChosenFieldsAndHeader)
{
    const ULONGLONG first = At(2004, 5, 6);
    const ULONGLONG second = At(2003, 1, 2);
    Add({ .subject = u"Call \"Ann\"", .date = first, .type = 7 });
    Add({ .subject = u"Zürich", .date = second });

    QString format;
    bool selectedEnabled = true;
    bool filteredEnabled = true;
    int fields = 0;
    int chosen = 0;
    const int result = Run([&](QDialog& shown) {
        EXPECT_EQ(shown.windowTitle(), QStringLiteral("Export..."));
        format = Find<QLabel>(shown, "exportFormat")->text();
        selectedEnabled = Find<QRadioButton>(shown, "exportSelected")->isEnabled();
        filteredEnabled = Find<QRadioButton>(shown, "exportFiltered")->isEnabled();
        EXPECT_TRUE(Find<QRadioButton>(shown, "exportAll")->isChecked());
        EXPECT_TRUE(Find<QCheckBox>(shown, "exportHeader")->isChecked());
        auto* list = Find<QListWidget>(shown, "exportFields");
        fields = list->count();
        chosen = static_cast<int>(list->selectedItems().size());
        ChooseFields(shown, { QStringLiteral("Subject"), QStringLiteral("Date") });
        Ok(shown);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_EQ(format, QStringLiteral("Format\nComma Separated Value"));
    EXPECT_FALSE(selectedEnabled); // nothing selected
    EXPECT_FALSE(filteredEnabled); // no filter
    EXPECT_EQ(fields, ENTRY_FIELD_COUNT);
    EXPECT_EQ(chosen, ENTRY_FIELD_COUNT);
    EXPECT_EQ(dialog.Exported(), 2u);
    EXPECT_EQ(ReadFile(file), "\"Subject\",\"Date\"\r\n\"Call \"\"Ann\"\"\",\"5/6/04\"\r\n\"Zürich\",\"1/2/03\"\r\n");
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Exported 2 records");
    EXPECT_EQ(boxes[0].caption, kWindowTitle);
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, 0u);
}

TEST_F(ExportDialogTest, SimpleTextOfTheSelectedEntryWithoutLabels)
{
    const CEOID picked = Add({ .subject = u"Picked", .date = At(2004, 5, 6) });
    Add({ .subject = u"Other", .date = At(2005, 5, 6) });
    selection.Add(picked);
    const std::filesystem::path text = home.file("journal.txt");
    // An older, longer file at the same path leaves nothing behind.
    std::ofstream(text) << std::string(5000, 'x');
    ChooseFile(text, ExportFormat::SimpleText);

    const int result = Run([&](QDialog& shown) {
        EXPECT_EQ(Find<QLabel>(shown, "exportFormat")->text(), QStringLiteral("Format\nSimple Text"));
        EXPECT_FALSE(Find<QListWidget>(shown, "exportFields")->isEnabled());
        auto* labels = Find<QCheckBox>(shown, "exportHeader");
        EXPECT_EQ(labels->text(), QStringLiteral("Write Labels to File"));
        labels->setChecked(false);
        auto* selected = Find<QRadioButton>(shown, "exportSelected");
        EXPECT_TRUE(selected->isEnabled());
        selected->setChecked(true);
        Ok(shown);
    });
    EXPECT_EQ(result, 1);
    // Every field, in set order, one per line, and nothing of the older file.
    EXPECT_EQ(ReadFile(text), "Picked\r\n5/6/04 9:00 AM\r\nNote\r\n\r\n\r\n\r\n\r\n0 minutes\r\nNormal\r\nNormal\r\n\r\n");
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, u"Exported 1 record");
}

TEST_F(ExportDialogTest, FilteredScopeWritesOnlyPassingEntries)
{
    Add({ .subject = u"Inside", .date = At(2007, 5, 6) });
    Add({ .subject = u"Outside", .date = At(2001, 5, 6) });
    ZFilter& filter = journal.GetFilter();
    filter.SetByRange(1);
    filter.SetStart(ZTime(At(2007, 1, 1)));
    filter.SetEnd(ZTime(At(2007, 12, 31)));
    filter.SetActive(1);

    Run([&](QDialog& shown) {
        auto* filtered = Find<QRadioButton>(shown, "exportFiltered");
        EXPECT_TRUE(filtered->isEnabled());
        filtered->setChecked(true);
        ChooseFields(shown, { QStringLiteral("Subject") });
        Find<QCheckBox>(shown, "exportHeader")->setChecked(false);
        Ok(shown);
    });
    EXPECT_EQ(ReadFile(file), "\"Inside\"\r\n");
    EXPECT_EQ(dialog.Exported(), 1u);
}

TEST_F(ExportDialogTest, NothingToExportOrCancelledWritesNoFile)
{
    // An empty journal: only the message, not even the save dialog.
    EXPECT_EQ(Run([](QDialog& shown) { shown.reject(); }), -1);
    EXPECT_EQ(chooserCalls, 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, u"No records to export!");
    EXPECT_EQ(Boxes()[0].caption, kWindowTitle);
    EXPECT_EQ(Boxes()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_FALSE(std::filesystem::exists(file));

    Add({ .subject = u"One", .date = At(2004, 5, 6) });
    hooks.Clear();
    // Cancelling the save dialog ends the command.
    ExportDialog::SetFileChooser([](QWidget*, ExportDialog::Target&) { return false; });
    EXPECT_EQ(Run([](QDialog& shown) { shown.reject(); }), -1);
    // Cancelling the export dialog writes nothing.
    ChooseFile(file, ExportFormat::CommaSeparated);
    EXPECT_EQ(Run([](QDialog& shown) {
        Find<QDialogButtonBox>(shown, "exportButtons")->button(QDialogButtonBox::Cancel)->click();
    }),
        0);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(ExportDialogTest, FileThatCannotBeWrittenKeepsTheDialogAndTheChoices)
{
    Add({ .subject = u"One", .date = At(2004, 5, 6) });
    // The first file cannot be written; asked again, the user picks another.
    const std::filesystem::path missing = home.file("missing-folder/journal.csv");
    ExportDialog::SetFileChooser([&](QWidget*, ExportDialog::Target& target) {
        target.path = QString::fromStdString((++chooserCalls == 1 ? missing : file).string());
        target.format = ExportFormat::CommaSeparated;
        return true;
    });
    bool stillOpen = false;
    QStringList fieldsAfter;
    bool headerAfter = true;
    EXPECT_EQ(Run([&](QDialog& shown) {
        ChooseFields(shown, { QStringLiteral("Subject") });
        Find<QCheckBox>(shown, "exportHeader")->setChecked(false);
        Ok(shown);
        stillOpen = shown.isVisible();
        for (QListWidgetItem* item : Find<QListWidget>(shown, "exportFields")->selectedItems())
            fieldsAfter << item->text();
        headerAfter = Find<QCheckBox>(shown, "exportHeader")->isChecked();
        Ok(shown);
    }),
        1);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(fieldsAfter, QStringList({ "Subject" }));
    EXPECT_FALSE(headerAfter);
    EXPECT_EQ(chooserCalls, 2);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_NE(Boxes()[0].text.find(u"cannot be written"), std::u16string::npos);
    EXPECT_EQ(ReadFile(file), "\"One\"\r\n");
    EXPECT_EQ(dialog.Exported(), 1u);
}
