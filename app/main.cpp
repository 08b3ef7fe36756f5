// The program's entry: the Qt application, the UI hooks on Qt, the objects of
// the whole run, then start-up and the message loop. The command line is
// ignored: requests from outside arrive as messages to the running window.
#include "ProgramObjects.h"
#include "QtUiHooks.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kestrin"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRIN_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Ozm Kestrin"));
    QApplication::setDesktopFileName(QStringLiteral("kestrin"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("kestrin"), QIcon(QStringLiteral(KST_APP_ICON))));
    QtUiHooks hooks;
    ScopedUiHooks installed(hooks);

    ProgramObjects objects;
    if (!objects.app.InitInstance(1))
        return 0;
    return objects.app.Run();
}
