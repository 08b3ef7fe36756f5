#include "SkinnedMenu.h"

#include "ProgramFont.h"

#include <QMenu>

void DressMenu(QMenu& menu, const QString& picture, const Skin& skin)
{
    menu.setFont(ProgramFont(13));
    if (picture.isEmpty() || skin.brush.style() == Qt::NoBrush)
        return;
    const QColor text = ToQColor(skin.menuText);
    const QColor selected = ToQColor(skin.selectedText);
    // Greyed items fade toward the picture only as far as stays readable.
    const QColor disabled = Skin::DisabledText(text, skin.AverageBackground());
    QString path = picture;
    path.replace(u'"', QStringLiteral("\\\""));
    menu.setStyleSheet(
        QStringLiteral("QMenu { background-image: url(\"%1\"); color: %2; border: 1px solid %2; }"
                       "QMenu::item { background: transparent; padding: 2px 16px 2px 10px; }"
                       "QMenu::item:selected { color: %3; }"
                       "QMenu::item:disabled { color: %4; }"
                       "QMenu::separator { height: 1px; background: %2; margin: 4px 6px; }")
            .arg(path, text.name(), selected.name(), disabled.name()));
}

