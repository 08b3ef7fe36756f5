// The settings catalogue: factory defaults with an empty store, values read
// at the moment of use, and the few values with rules of their own.
#include "Settings.h"
#include "AppTestSupport.h"
#include "TempHome.h"

#include <gtest/gtest.h>

TEST(SettingsTest, EmptyStoreGivesTheFactorySettings)
{
    GuiApp();
    TempHome home;
    TestStore store;
    Settings settings(store);
    EXPECT_TRUE(settings.PreviewPane());
    EXPECT_FALSE(settings.TreeView());
    EXPECT_EQ(settings.SortBy(), 101);
    EXPECT_EQ(settings.SortType(), 0x006E0041u);
    EXPECT_EQ(settings.VSplit(123), 123);
    EXPECT_EQ(settings.Skin().ToQString(), "Plum Fairy");
    EXPECT_EQ(settings.DateFormat(), 40160);
    EXPECT_EQ(settings.DateFormatPattern().ToQString(), "MM/dd/yy");
    EXPECT_TRUE(settings.ConfirmDeletes());
    EXPECT_TRUE(settings.ConfirmSubjectDelete());
    EXPECT_TRUE(settings.Upgrade());
    EXPECT_FALSE(settings.PasswordActive());
    EXPECT_TRUE(settings.PasswordRecord().IsEmpty());
    EXPECT_EQ(settings.SubjectCount(), 0);
    EXPECT_EQ(settings.Zoom(), 100);
    EXPECT_EQ(settings.EditorView(), 0);
    EXPECT_EQ(settings.SearchBy(), 1078);
    EXPECT_EQ(settings.SearchFrom(), 1073);
    EXPECT_TRUE(settings.MatchCase());
    // Reading created nothing.
    EXPECT_FALSE(store.ValueExists(u"Options", u"Skin"));
}

TEST(SettingsTest, ValuesAreReadAtTheMomentOfUse)
{
    GuiApp();
    TempHome home;
    TestStore store;
    Settings settings(store);
    settings.SetPreviewPane(false);
    settings.SetDateFormat(40168);
    settings.SetSubject(11, u"Goal ");
    EXPECT_FALSE(settings.PreviewPane());
    EXPECT_EQ(settings.DateFormatPattern().ToQString(), "d MMM yyyy");
    EXPECT_EQ(settings.Subject(11).ToQString(), "Goal ");
    EXPECT_EQ(Settings::IndexedName(u"subj", 11).ToQString(), "subj11");

    // Changed behind the object's back: the next read sees it.
    store.WriteInt(u"options", u"preview pane", 1);
    EXPECT_TRUE(settings.PreviewPane());
    store.DeleteSection(u"Options");
    EXPECT_EQ(settings.DateFormat(), 40160);

    // Only the two confirmation values' own spelling counts.
    store.WriteInt(u"Options", u"ConfirmDelete", 0);
    EXPECT_FALSE(settings.ConfirmSubjectDelete());
    EXPECT_TRUE(settings.ConfirmDeletes());

    // An id outside the date formats gives an empty format, not another text.
    settings.SetDateFormat(40050);
    EXPECT_TRUE(settings.DateFormatPattern().IsEmpty());

    // Skin names are stored at most 99 characters long.
    settings.SetSkin(QString(150, 'k').toStdU16String().c_str());
    EXPECT_EQ(settings.Skin().Length(), 99);
}
