#include "SoundPlayer.h"

#include "MessageBoxFlags.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

SoundPlayer::SoundPlayer() = default;

SoundPlayer::~SoundPlayer() = default;

QString SoundPlayer::SoundFolder()
{
    const QString installed = QStringLiteral(KST_SOUNDS_INSTALLED);
    return QFileInfo(installed).isDir() ? installed : QStringLiteral(KST_SOUNDS_SOURCE);
}

QString SoundPlayer::Resolve(std::u16string_view path)
{
    const QString name = QString::fromUtf16(path.data(), static_cast<qsizetype>(path.size()));
    if (name.isEmpty())
        return {};
    const QString file = QFileInfo(name).isAbsolute() ? name : QDir(SoundFolder()).filePath(name);
    return QFileInfo(file).isFile() ? file : QString();
}

bool SoundPlayer::AnyPlaying() const
{
    for (const QSoundEffect* effect : effects_)
        if (effect->isPlaying())
            return true;
    return false;
}

bool SoundPlayer::Loading() const
{
    for (const QSoundEffect* effect : effects_)
        if (effect->status() == QSoundEffect::Loading)
            return true;
    return false;
}

void SoundPlayer::Start(const QString& file, DWORD flags)
{
    if ((flags & SND_NOSTOP) && AnyPlaying())
        return;
    QSoundEffect*& effect = effects_[file];
    if (effect == nullptr) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(file));
    }
    effect->setLoopCount((flags & SND_LOOP) ? QSoundEffect::Infinite : 1);
    effect->play();
}

BOOL SoundPlayer::Play(std::u16string_view path, DWORD flags)
{
    const QString file = Resolve(path);
    if (file.isEmpty())
        return FALSE;
    if (QThread::currentThread() == thread()) {
        if ((flags & SND_NOSTOP) && AnyPlaying())
            return FALSE;
        Start(file, flags);
        return TRUE;
    }
    QMetaObject::invokeMethod(this, [this, file, flags] { Start(file, flags); }, Qt::QueuedConnection);
    return TRUE;
}
