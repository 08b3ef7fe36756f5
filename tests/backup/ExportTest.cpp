// The export writer: whole files in both formats, quoting, field choice,
// scopes and the count message.

#include "BackupFixture.h"

#include "ExportWriter.h"
#include "MemoryProgress.h"
#include "NoteBlob.h"

#include <QLocale>

namespace {

std::vector<BYTE> Note(const std::u16string& text)
{
    return WriteNote(text, "<p>rich</p>");
}

} // namespace

// Dates and durations are written in the user's locale: the tests fix it to
// US English so that the expected texts can be written out as they are.
class ExportTest : public BackupTest {
protected:
    ExportTest() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~ExportTest() override { QLocale::setDefault(m_previous); }

    void AddTwo()
    {
        first = Add({ .subject = u"Call \"Ann\"",
            .date = At(2004, 5, 6, 14, 5),
            .type = 7,
            .company = u"Acme",
            .categories = { u"Work", u"Phone" },
            .contacts = { u"Ann Lee", u"Bo Ek" },
            .attachment = u"/a.txt",
            .duration = 90 * ZTime::kTicksPerMinute,
            .sensitivity = 3,
            .priority = 2,
            .note = Note(u"line one\r\nline two") });
        second = Add({ .subject = u"Zürich", .date = At(2003, 1, 2, 8, 0) });
    }

    DWORD Export(ExportWriter& writer, const ExportOptions& options)
    {
        return writer.Export(PathOf("out"), options, &progress);
    }

    std::string Output() { return ReadFile(home.file("out")); }

    CEOID first = 0, second = 0;
    QLocale m_previous; // the default before the test, put back after it
    MemoryProgress progress;
};

TEST_F(ExportTest, CommaSeparatedFileOfAllFieldsComparedWhole)
{
    AddTwo();
    ExportWriter writer(db);
    EXPECT_EQ(Export(writer, {}), 2u);
    std::string expected
        = "\"Subject\",\"Date\",\"Type\",\"Company\",\"Categories\",\"Contacts\",\"Attachment\","
          "\"Duration\",\"Sensitivity\",\"Priority\",\"Note\"\r\n";
    expected += "\"Call \"\"Ann\"\"\",\"5/6/04\",\"Phone call\",\"Acme\",\"Work, Phone\",\"Ann Lee; Bo Ek\","
                "\"/a.txt\",\"1 hour 30 min\",\"Confidential\",\"High\",\"line one\r\nline two\"\r\n";
    expected += "\"Z\xC3\xBCrich\",\"1/2/03\",\"Note\",\"\",\"\",\"\",\"\",\"0 minutes\",\"Normal\",\"Normal\",\"\"\r\n";
    EXPECT_EQ(Output(), expected);
    EXPECT_EQ(progress.High(), 2);
    EXPECT_EQ(progress.Positions().back(), 2);
}

TEST_F(ExportTest, SimpleTextWithAndWithoutLabels)
{
    AddTwo();
    ExportWriter writer(db);
    ExportOptions options;
    options.format = ExportFormat::SimpleText;
    options.scope = ExportScope::Selected;
    options.selected = { first };
    EXPECT_EQ(Export(writer, options), 1u);
    std::string expected = "Subject: Call \"Ann\"\r\nDate: 5/6/04 2:05 PM\r\nType: Phone call\r\nCompany: Acme\r\n"
                           "Categories: Work, Phone\r\nContacts: Ann Lee; Bo Ek\r\nAttachment: /a.txt\r\n"
                           "Duration: 1 hour 30 min\r\nSensitivity: Confidential\r\nPriority: High\r\nNote:\r\n"
                           "line one\r\nline two\r\n";
    EXPECT_EQ(Output(), expected);

    options.headerOrLabels = false;
    options.selected = { second };
    EXPECT_EQ(Export(writer, options), 1u);
    EXPECT_EQ(Output(),
        "Z\xC3\xBCrich\r\n1/2/03 8:00 AM\r\nNote\r\n\r\n\r\n\r\n\r\n0 minutes\r\nNormal\r\nNormal\r\n\r\n");
}

TEST_F(ExportTest, ChosenFieldsHeaderOptionAndCountMessage)
{
    AddTwo();
    ExportWriter writer(db);
    writer.ChooseNone();
    EXPECT_TRUE(writer.Choose(PROPID_SUBJECT, true));
    EXPECT_TRUE(writer.Choose(PROPID_DATE, true));
    EXPECT_FALSE(writer.Choose(0x12340001, true));
    EXPECT_EQ(Export(writer, {}), 2u);
    EXPECT_EQ(Output(),
        "\"Subject\",\"Date\"\r\n\"Call \"\"Ann\"\"\",\"5/6/04\"\r\n\"Z\xC3\xBCrich\",\"1/2/03\"\r\n");

    ExportOptions noHeader;
    noHeader.headerOrLabels = false;
    writer.ChooseNone();
    EXPECT_EQ(Export(writer, noHeader), 2u) << "entries count even with no field chosen";
    EXPECT_EQ(Output(), "");

    EXPECT_EQ(ExportWriter::CountMessage(1).ToUtf8(), "Exported 1 record");
    EXPECT_EQ(ExportWriter::CountMessage(2).ToUtf8(), "Exported 2 records");
    EXPECT_EQ(ExportWriter::CountMessage(0).ToUtf8(), "Exported 0 records");
}

TEST_F(ExportTest, ScopesAndTheFilter)
{
    AddTwo();
    ExportWriter writer(db);
    writer.ChooseNone();
    writer.Choose(PROPID_SUBJECT, true);
    ZFilter& filter = db.GetFilter();
    filter.SetByRange(TRUE);
    filter.SetStart(ZTime(At(2003, 1, 1, 0)));
    filter.SetEnd(ZTime(At(2003, 12, 31, 0)));
    filter.SetActive(TRUE);

    ExportOptions options;
    options.headerOrLabels = false;
    EXPECT_EQ(Export(writer, options), 2u) << "all means all, whatever the filter hides";
    options.scope = ExportScope::Filtered;
    EXPECT_EQ(Export(writer, options), 1u);
    EXPECT_EQ(Output(), "\"Z\xC3\xBCrich\"\r\n");
    options.scope = ExportScope::Selected;
    options.selected = { second, 987654, first };
    EXPECT_EQ(Export(writer, options), 1u) << "a missing entry and one outside the filter are skipped";
    filter.SetActive(FALSE);
    EXPECT_EQ(Export(writer, options), 2u);
    EXPECT_EQ(Output(), "\"Z\xC3\xBCrich\"\r\n\"Call \"\"Ann\"\"\"\r\n");
    EXPECT_EQ(progress.High(), 3);
}

TEST_F(ExportTest, ReplacesALongerFileWholeAndKeepsItOnFailure)
{
    AddTwo();
    WriteFile(home.file("out"), std::string(100000, 'x'));
    ExportWriter writer(db);
    writer.ChooseNone();
    writer.Choose(PROPID_TYPE, true);
    ExportOptions options;
    options.headerOrLabels = false;
    EXPECT_EQ(Export(writer, options), 2u);
    EXPECT_EQ(Output(), "\"Phone call\"\r\n\"Note\"\r\n");

    EXPECT_EQ(writer.Export(PathOf("missing/out.csv"), options, nullptr), 0u);
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(Output(), "\"Phone call\"\r\n\"Note\"\r\n");
}
