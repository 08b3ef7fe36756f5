#pragma once
// SoundPlayer: plays the program's short sound files through Qt Multimedia
// (QSoundEffect), for the "play sound" UI hook. A bare file name
// ("infbeg.wav") is looked up in the program's sound folder (installed, else
// the source tree); a path is taken as it is.
//
// Playing never waits: a call from another thread is handed to the GUI
// thread. With SND_NOSTOP nothing new starts while a sound still plays. A
// machine without an audio device stays silent: the effect simply does not
// sound, and nothing is reported to the user.
//
// Made after the QApplication, on its thread; Play may be called from any
// thread while the player lives.

#include "WinTypes.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <string_view>

class QSoundEffect;

class SoundPlayer : public QObject {
public:
    SoundPlayer();
    ~SoundPlayer() override;

    // The folder of the program's sounds.
    static QString SoundFolder();
    // The file a sound name stands for ("" when there is no such file).
    static QString Resolve(std::u16string_view path);

    // 1 when the sound was started (or handed to the GUI thread to start),
    // 0 when there is no such file or another sound plays under SND_NOSTOP.
    BOOL Play(std::u16string_view path, DWORD flags);
    // True while a sound file is still being read.
    bool Loading() const;

private:
    void Start(const QString& file, DWORD flags);
    bool AnyPlaying() const;

    QHash<QString, QSoundEffect*> effects_;
};
