#include "Skin.h"

#include "DataFolder.h"
#include "ZFile.h"
#include "ZString.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace {

// The longest side of a skin picture: a background tile needs no more, and a
// hostile file cannot make the program allocate gigabytes.
constexpr int kMaxPictureSide = 4096;

QPixmap LoadPicture(const QString& path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return {};
    const QImage image = reader.read();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

// The two colour lines of a ".ski" file; a missing file or line reads as
// an empty line.
void ReadColourLines(const QString& path, QString& first, QString& second)
{
    ZFile file;
    const ZString name = ZString::FromQString(path);
    if (!file.OpenExisting(name, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL))
        return;
    ZString line;
    if (file.ReadLine(line, TRUE))
        first = line.ToQString();
    line.Empty();
    if (file.ReadLine(line, TRUE))
        second = line.ToQString();
    file.Close();
}

COLORREF SystemColour(QPalette::ColorRole role)
{
    return FromQColor(QApplication::palette().color(QPalette::Active, role));
}

} // namespace

Skin::Skin()
    : menuText(SystemColour(QPalette::WindowText))
    , selectedText(SystemColour(QPalette::Highlight))
{
}

QStringList Skin::Folders()
{
    QStringList candidates { QString::fromStdString((DataFolder() / "skins").string()) };
    // Installed beside the program (a relocated install), where it was
    // installed to, and in the source tree for a program run from its build.
    candidates << QApplication::applicationDirPath() + QStringLiteral("/../share/kestrin/skins");
    candidates << QStringLiteral(KST_SKINS_INSTALLED) << QStringLiteral(KST_SKINS_SOURCE);
    QStringList folders;
    for (const QString& candidate : candidates) {
        const QString folder = QDir::cleanPath(candidate);
        if (QFileInfo(folder).isDir() && !folders.contains(folder))
            folders << folder;
    }
    return folders;
}

bool Skin::IsPlainName(const QString& name)
{
    if (name.isEmpty() || name.size() > 99 || name.startsWith(u'.') || name.contains(u'/'))
        return false;
    for (QChar ch : name)
        if (ch.category() == QChar::Other_Control)
            return false;
    return true;
}

QString Skin::PictureFile(const QString& name)
{
    if (!IsPlainName(name))
        return {};
    for (const QString& folder : Folders()) {
        const QString path = folder + u'/' + name + QStringLiteral(".skn");
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QStringList Skin::Available()
{
    QStringList names { QString::fromUtf16(kStandardSkinName) };
    for (const QString& folder : Folders()) {
        const QFileInfoList files
            = QDir(folder).entryInfoList({ QStringLiteral("*.skn") }, QDir::Files, QDir::Name);
        for (const QFileInfo& file : files) {
            // The base name runs to the last dot.
            const QString name = file.completeBaseName();
            if (IsPlainName(name) && !names.contains(name))
                names << name;
        }
    }
    return names;
}

COLORREF Skin::ParseColour(const QString& line)
{
    qsizetype i = 0;
    while (i < line.size() && line[i].isSpace())
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == u'+' || line[i] == u'-'))
        negative = line[i++] == u'-';
    if (i + 1 < line.size() && line[i] == u'0' && (line[i + 1] == u'x' || line[i + 1] == u'X'))
        i += 2;
    quint64 value = 0;
    for (; i < line.size(); ++i) {
        const char16_t ch = line[i].unicode();
        const int digit = (ch >= u'0' && ch <= u'9') ? ch - u'0'
            : (ch >= u'a' && ch <= u'f')             ? ch - u'a' + 10
            : (ch >= u'A' && ch <= u'F')             ? ch - u'A' + 10
                                                     : -1;
        if (digit < 0)
            break;
        value = std::min<quint64>(value * 16 + static_cast<quint64>(digit), 0xFFFFFFFFull + 1);
    }
    if (value > 0xFFFFFFFFull)
        return 0xFFFFFFFFu;
    const auto colour = static_cast<COLORREF>(value);
    return negative ? static_cast<COLORREF>(0u - colour) : colour;
}

BOOL Skin::Load(LPCWSTR name)
{
    if (!name)
        return FALSE;
    bitmap = QPixmap();
    brush = QBrush();
    const QString skinName = QString::fromUtf16(name);
    if (skinName == QString::fromUtf16(kStandardSkinName)) {
        menuText = SystemColour(QPalette::WindowText);
        selectedText = SystemColour(QPalette::Highlight);
        brush = QApplication::palette().brush(QPalette::Active, QPalette::Button);
        return TRUE;
    }
    const QString picture = PictureFile(skinName);
    QPixmap loaded = picture.isEmpty() ? QPixmap() : LoadPicture(picture);
    if (loaded.isNull())
        return FALSE;
    QString first, second;
    ReadColourLines(picture.chopped(4) + QStringLiteral(".ski"), first, second);
    menuText = ParseColour(first);
    selectedText = ParseColour(second);
    bitmap = loaded;
    brush = QBrush(bitmap);
    return TRUE;
}

QColor Skin::AverageBackground() const
{
    if (bitmap.isNull())
        return QApplication::palette().color(QPalette::Window);
    // One pixel of the smoothly scaled picture is the mean of all of them.
    return bitmap.toImage().scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
}

double Skin::ContrastRatio(const QColor& a, const QColor& b)
{
    auto luminance = [](const QColor& colour) {
        auto channel = [](double value) {
            return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF())
            + 0.0722 * channel(colour.blueF());
    };
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor Skin::DisabledText(const QColor& text, const QColor& background)
{
    auto mix = [&](double towardBackground) {
        const double keep = 1.0 - towardBackground;
        return QColor::fromRgbF(static_cast<float>(text.redF() * keep + background.redF() * towardBackground),
            static_cast<float>(text.greenF() * keep + background.greenF() * towardBackground),
            static_cast<float>(text.blueF() * keep + background.blueF() * towardBackground));
    };
    // Faded as far as readability allows: from a little over half way back
    // toward the text colour itself.
    for (double fade = 0.55; fade > 0.0; fade -= 0.05) {
        const QColor faded = mix(fade);
        if (ContrastRatio(faded, background) >= kDisabledContrast)
            return faded;
    }
    if (ContrastRatio(text, background) >= kDisabledContrast)
        return text;
    // The text colour itself is too weak: whichever of black and white reads.
    return ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background) ? QColor(Qt::black)
                                                                                      : QColor(Qt::white);
}
