// The program's entry: the Qt application, the UI hooks on Qt, the objects of
// the whole run, then start-up and the message loop. The command line is
// ignored: requests from outside arrive as messages to the running window.
#include "DialogPlacement.h"
#include "ProgramObjects.h"
#include "QtUiHooks.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

namespace {

// The font size of the handheld's own screens.
constexpr int kHandheldFontPixels = 11;

} // namespace

int main(int argc, char* argv[])
{
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kestrin"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRIN_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Ozm Kestrin"));
    QApplication::setDesktopFileName(QStringLiteral("kestrin"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("kestrin"), QIcon(QStringLiteral(KST_APP_ICON))));
    // On a handheld-sized screen the texts take the handheld's size, so the
    // screens' longer lines fit its width.
    if (const QScreen* screen = QGuiApplication::primaryScreen();
        screen && screen->availableGeometry().width() < kHandheldWidth) {
        QFont font = QApplication::font();
        font.setPixelSize(kHandheldFontPixels);
        QApplication::setFont(font);
    }
    QtUiHooks hooks;
    ScopedUiHooks installed(hooks);

    ProgramObjects objects;
    if (!objects.app.InitInstance(1))
        return objects.app.ExitCode();
    return objects.app.Run();
}
