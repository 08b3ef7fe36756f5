// The program's sounds: every sound the exchange names ships as a playable
// file, and playing works (silently here: the tests have no audio device)
// from the GUI thread and from a worker.

#include "GuiApp.h"
#include "MessageBoxFlags.h"
#include "SoundPlayer.h"

#include <QFile>

#include <gtest/gtest.h>

#include <thread>

namespace {

const char16_t* const kExchangeSounds[]
    = { u"infbeg.wav", u"infend.wav", u"infintr.wav", u"ksir_recv.wav", u"ksir_send.wav" };

TEST(SoundTest, EverySoundShipsAsAShortPcmWaveFile)
{
    for (const char16_t* name : kExchangeSounds) {
        const QString file = SoundPlayer::Resolve(name);
        ASSERT_FALSE(file.isEmpty()) << QString::fromUtf16(name).toStdString();
        QFile wav(file);
        ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        ASSERT_GE(bytes.size(), 44);
        EXPECT_EQ(bytes.left(4), QByteArray("RIFF"));
        EXPECT_EQ(bytes.mid(8, 8), QByteArray("WAVEfmt "));
        // PCM, one channel, 16 bits; well under a second of sound.
        EXPECT_EQ(bytes[20], 1);
        EXPECT_EQ(bytes[22], 1);
        EXPECT_EQ(bytes[34], 16);
        EXPECT_LT(bytes.size(), 22050 * 2);
    }
}

TEST(SoundTest, PlayingStartsKnownSoundsFromAnyThreadAndRefusesMissingOnes)
{
    SoundPlayer player;
    EXPECT_EQ(player.Play(u"infbeg.wav", SND_ASYNC | SND_FILENAME | SND_NODEFAULT), TRUE);
    EXPECT_EQ(player.Play(u"no-such-sound.wav", SND_ASYNC), FALSE);
    EXPECT_EQ(player.Play(u"", SND_ASYNC), FALSE);
    BOOL fromWorker = FALSE;
    std::thread worker([&] { fromWorker = player.Play(u"ksir_send.wav", SND_ASYNC | SND_NOSTOP); });
    worker.join();
    EXPECT_EQ(fromWorker, TRUE);
    PumpUntil([&] { return !player.Loading(); }, 5000);
    EXPECT_EQ(SoundPlayer::Resolve(SoundPlayer::Resolve(u"infend.wav").toStdU16String()),
        SoundPlayer::Resolve(u"infend.wav"));
}

} // namespace
