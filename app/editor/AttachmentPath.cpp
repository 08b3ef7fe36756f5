#include "AttachmentPath.h"

#include <QFileInfo>

QString AttachmentFilePath(const QString& stored)
{
    if (!stored.contains(QStringLiteral("&&")) || QFileInfo::exists(stored))
        return stored;
    QString path = stored;
    return path.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

QString AttachmentDisplayName(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

bool AttachmentMissing(const QString& path)
{
    return !path.isEmpty() && !QFileInfo::exists(path);
}
