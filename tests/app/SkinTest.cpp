// Skins: loading the shipped and the user's skins, the colour file's rules,
// the fallbacks for missing and hostile files, and the chooser.
#include "Skin.h"
#include "AppTestSupport.h"
#include "Settings.h"
#include "SkinDialog.h"
#include "TempHome.h"
#include "UiHooks.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GuiApp();
        QDir().mkpath(UserSkins());
    }
    QString UserSkins() const { return QString::fromStdString(home.path().string()) + "/skins"; }
    void WritePicture(const QString& name, QColor colour, QSize size = QSize(8, 8))
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(UserSkins() + '/' + name + ".skn", "BMP"));
    }
    void WriteColours(const QString& name, const char* text)
    {
        std::ofstream(QString(UserSkins() + '/' + name + ".ski").toStdString(), std::ios::binary) << text;
    }

    TempHome home;
};

} // namespace

TEST_F(SkinTest, ShippedDefaultSkinLoads)
{
    Skin skin;
    ASSERT_TRUE(skin.Load(Settings::kDefaultSkin));
    EXPECT_FALSE(skin.bitmap.isNull());
    EXPECT_EQ(skin.brush.style(), Qt::TexturePattern);
    EXPECT_EQ(skin.menuText, 0x541448u);
    EXPECT_EQ(skin.selectedText, 0x7800B0u);
    const QStringList names = Skin::Available();
    ASSERT_FALSE(names.isEmpty());
    EXPECT_EQ(names.first(), "Windows Standard");
    EXPECT_TRUE(names.contains("Plum Fairy"));
    EXPECT_GE(names.size(), 4); // the default and at least two more
}

TEST_F(SkinTest, ColourFileRulesAndFallbacks)
{
    WritePicture("Red Text", Qt::blue);
    WriteColours("Red Text", "FF\r\nFFFFFF\r\nignored third line\r\n");
    Skin skin;
    const COLORREF systemMenu = skin.menuText;
    ASSERT_TRUE(skin.Load(u"Red Text"));
    EXPECT_EQ(ToQColor(skin.menuText), QColor(Qt::red));
    EXPECT_EQ(ToQColor(skin.selectedText), QColor(Qt::white));

    // A missing colour file, or a missing line, reads as black.
    WritePicture("No Colours", Qt::gray);
    ASSERT_TRUE(skin.Load(u"No Colours"));
    EXPECT_EQ(skin.menuText, 0u);
    EXPECT_EQ(skin.selectedText, 0u);
    WritePicture("Short", Qt::gray);
    WriteColours("Short", "00FF00");
    ASSERT_TRUE(skin.Load(u"Short"));
    EXPECT_EQ(skin.menuText, 0x00FF00u);
    EXPECT_EQ(skin.selectedText, 0u);

    // No picture: not in force, no brush, the colours stay.
    EXPECT_FALSE(skin.Load(u"Nowhere"));
    EXPECT_EQ(skin.brush.style(), Qt::NoBrush);
    EXPECT_TRUE(skin.bitmap.isNull());
    EXPECT_EQ(skin.menuText, 0x00FF00u);
    // A null name changes nothing at all.
    ASSERT_TRUE(skin.Load(u"Red Text"));
    EXPECT_FALSE(skin.Load(nullptr));
    EXPECT_EQ(skin.brush.style(), Qt::TexturePattern);

    ASSERT_TRUE(skin.Load(kStandardSkinName));
    EXPECT_TRUE(skin.bitmap.isNull());
    EXPECT_EQ(skin.brush, QApplication::palette().brush(QPalette::Active, QPalette::Button));
    EXPECT_EQ(skin.menuText, systemMenu);
}

TEST_F(SkinTest, HostileNamesAndFilesAreRefused)
{
    // A picture outside the skin folders cannot be reached through the name.
    QImage outside(4, 4, QImage::Format_RGB32);
    outside.fill(Qt::red);
    ASSERT_TRUE(outside.save(QString::fromStdString(home.path().string()) + "/Escape.skn", "BMP"));
    Skin skin;
    for (const char16_t* name : { u"../Escape", u"sub/Escape", u".hidden", u"" })
        EXPECT_FALSE(skin.Load(name)) << QString::fromUtf16(name).toStdString();

    // Not a picture at all.
    std::ofstream(QString(UserSkins() + "/Text.skn").toStdString()) << "this is not a bitmap";
    EXPECT_FALSE(skin.Load(u"Text"));
    // A picture too large to be a background tile.
    WritePicture("Huge", Qt::green, QSize(5000, 2));
    EXPECT_FALSE(skin.Load(u"Huge"));
    // A colour file full of noise still gives colours, not a crash.
    WritePicture("Noise", Qt::gray);
    std::string noise(5000, '\xff');
    noise[100] = '\n';
    WriteColours("Noise", noise.c_str());
    EXPECT_TRUE(skin.Load(u"Noise"));
}

TEST(SkinColourTest, HexLinesReadAsBase16Conversion)
{
    EXPECT_EQ(Skin::ParseColour("FF"), 0xFFu);
    EXPECT_EQ(Skin::ParseColour("  0x1A2b3C trailing"), 0x1A2B3Cu);
    EXPECT_EQ(Skin::ParseColour("00ff00\t"), 0x00FF00u);
    EXPECT_EQ(Skin::ParseColour(""), 0u);
    EXPECT_EQ(Skin::ParseColour("G1"), 0u);
    EXPECT_EQ(Skin::ParseColour("12G4"), 0x12u);
    EXPECT_EQ(Skin::ParseColour("FFFFFFFFFFFF"), 0xFFFFFFFFu); // saturates
    EXPECT_EQ(Skin::ParseColour("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(Skin::ParseColour(QString::fromUtf8("\xef\xbc\x91")), 0u); // a full-width digit is not a digit
}

TEST_F(SkinTest, AvailableListsEachNameOnceUserCopyFirst)
{
    WritePicture("Plum Fairy", Qt::black); // the user's own version of a shipped skin
    WritePicture("Mine", Qt::yellow);
    const QStringList names = Skin::Available();
    EXPECT_EQ(names.count("Plum Fairy"), 1);
    EXPECT_TRUE(names.contains("Mine"));
    EXPECT_EQ(Skin::PictureFile("Plum Fairy"), UserSkins() + "/Plum Fairy.skn");
}

namespace {

template <typename Action> void WhenModal(Action action)
{
    QTimer::singleShot(0, [action] {
        PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
        action(QApplication::activeModalWidget());
    });
}

} // namespace

TEST_F(SkinTest, ChooserStoresANewChoiceOnlyOnOk)
{
    WritePicture("Broken Colours", Qt::darkGreen);
    TestStore store;
    Skin programSkin;
    ASSERT_TRUE(programSkin.Load(Settings::kDefaultSkin));

    // Cancel after choosing: nothing written, the program's skin as it was.
    {
        SkinDialog chooser(store, programSkin);
        WhenModal([&](QWidget* dialog) {
            auto* list = dialog->findChild<QListWidget*>("skinList");
            EXPECT_EQ(list->currentItem()->text(), "Plum Fairy"); // the current value is selected
            EXPECT_EQ(list->item(0)->text(), "Windows Standard");
            list->setCurrentItem(list->findItems("Sea Glass", Qt::MatchExactly).first());
            EXPECT_TRUE(chooser.Changed());
            EXPECT_TRUE(chooser.PreviewLoaded());
            static_cast<QDialog*>(dialog)->reject();
        });
        EXPECT_EQ(chooser.Run(nullptr), 0);
    }
    EXPECT_FALSE(store.ValueExists(u"Options", u"Skin"));
    EXPECT_FALSE(programSkin.changed);
    EXPECT_EQ(programSkin.menuText, 0x541448u);

    // A skin whose picture vanished shows the error in the preview.
    {
        SkinDialog chooser(store, programSkin);
        WhenModal([&](QWidget* dialog) {
            auto* list = dialog->findChild<QListWidget*>("skinList");
            QFile::remove(UserSkins() + "/Broken Colours.skn");
            list->setCurrentItem(list->findItems("Broken Colours", Qt::MatchExactly).first());
            EXPECT_FALSE(chooser.PreviewLoaded());
            list->setCurrentItem(list->findItems("Sea Glass", Qt::MatchExactly).first());
            static_cast<QDialog*>(dialog)->accept();
        });
        EXPECT_EQ(chooser.Run(nullptr), 1);
    }
    EXPECT_EQ(Settings(store).Skin().ToQString(), "Sea Glass");
    EXPECT_TRUE(programSkin.changed);
    EXPECT_EQ(programSkin.selectedText, Skin::ParseColour("B04000"));

    // A stored name that is not listed selects the first item.
    Settings(store).SetSkin(u"Gone Away");
    SkinDialog chooser(store, programSkin);
    WhenModal([&](QWidget* dialog) {
        EXPECT_EQ(dialog->findChild<QListWidget*>("skinList")->currentRow(), 0);
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(chooser.Run(nullptr), 1);
    EXPECT_EQ(Settings(store).Skin().ToQString(), "Gone Away"); // OK without a change writes nothing
}

namespace {

// The contrast ratio of two colours, from their relative luminance.
double Contrast(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& colour) {
        double sum = 0;
        const double weights[] = { 0.2126, 0.7152, 0.0722 };
        const int channels[] = { colour.red(), colour.green(), colour.blue() };
        for (int i = 0; i < 3; ++i) {
            const double value = channels[i] / 255.0;
            sum += weights[i] * (value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The mean of every pixel of a picture file.
QColor MeanColour(const QString& file)
{
    const QImage picture = QImage(file).convertToFormat(QImage::Format_RGB32);
    long long red = 0;
    long long green = 0;
    long long blue = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            red += qRed(pixel);
            green += qGreen(pixel);
            blue += qBlue(pixel);
        }
    const long long count = std::max<long long>(1, 1LL * picture.width() * picture.height());
    return QColor(static_cast<int>(red / count), static_cast<int>(green / count), static_cast<int>(blue / count));
}

} // namespace

TEST_F(SkinTest, GreyedMenuItemsStayReadableOnEveryShippedSkin)
{
    int skins = 0;
    for (const QString& name : Skin::Available()) {
        if (name == QString::fromUtf16(kStandardSkinName))
            continue;
        Skin skin;
        ASSERT_TRUE(skin.Load(ZString::FromQString(name))) << name.toStdString();
        ++skins;
        const QColor background = MeanColour(Skin::PictureFile(name));
        const QColor text = ToQColor(skin.menuText);
        const QColor greyed = Skin::DisabledText(text, background);
        EXPECT_GE(Contrast(greyed, background), 3.0) << name.toStdString();
        // Still greyed: not the full text colour where fading is possible.
        if (Contrast(text, background) > 4.5)
            EXPECT_LT(Contrast(greyed, background), Contrast(text, background)) << name.toStdString();
        EXPECT_LE(Contrast(skin.AverageBackground(), background), 1.05) << name.toStdString();
    }
    EXPECT_EQ(skins, 3);

    // A text colour too close to the background gives way to black or white.
    const QColor grey(128, 128, 128);
    EXPECT_GE(Contrast(Skin::DisabledText(QColor(140, 140, 140), grey), grey), 3.0);
}
