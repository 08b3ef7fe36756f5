#include "UiHooks.h"
#include "TempFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(MessageBoxFlags, DefaultAnswerFollowsButtonSetAndDefaultButton)
{
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_OK | MB_SETFOREGROUND), IDOK);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_ABORTRETRYIGNORE | MB_DEFBUTTON2), IDRETRY);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_RETRYCANCEL), IDRETRY);
    // A default button beyond the set falls back to the first button.
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_YESNO | MB_DEFBUTTON4), IDYES);
    EXPECT_EQ(MessageBoxDefaultAnswer(MB_OK | MB_DEFBUTTON3), IDOK);
    // An unknown button set shows OK alone.
    EXPECT_EQ(MessageBoxButtons(0xE), std::vector<int> { IDOK });
    // The combined values the program uses keep their numbers.
    EXPECT_EQ(MB_YESNO | MB_SETFOREGROUND, 0x10004u);
    EXPECT_EQ(MB_ICONHAND | MB_SETFOREGROUND, 0x10010u);
    EXPECT_EQ(MB_YESNO | MB_ICONQUESTION, 36u);
}

TEST(HeadlessUiHooks, WritesBoxesAsUtf8AndAnswersTheDefaultButton)
{
    TempFile out;
    ASSERT_TRUE(out);
    HeadlessUiHooks hooks(out.get(), false);
    // "Grüße €" plus a character outside the 16-bit plane and a lone surrogate.
    std::u16string text = u"Gr\u00FC\u00DFe \u20AC \U0001F600";
    text += char16_t(0xD800);
    EXPECT_EQ(hooks.MessageBox(nullptr, text, u"IO Error", MB_SETFOREGROUND), IDOK);
    EXPECT_EQ(hooks.MessageBox(nullptr, u"Clear?", u"Q", MB_YESNO | MB_DEFBUTTON2), IDNO);
    hooks.Trace(u"MainList::Refresh\n");
    hooks.SetWaitCursor(true);
    EXPECT_EQ(hooks.PlaySound(u"infbeg.wav", SND_ASYNC), FALSE);
    EXPECT_EQ(out.Text(),
        "IO Error: Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x98\x80\xEF\xBF\xBD\nQ: Clear?\n");
}

TEST(HeadlessUiHooks, TraceFollowsSwitchAndEnvironment)
{
    TempFile out;
    ASSERT_TRUE(out);
    HeadlessUiHooks tracing(out.get(), true);
    tracing.Trace(u"ZWMain::OnSize\n");
    EXPECT_EQ(out.Text(), "ZWMain::OnSize\n");

    const char* saved = std::getenv("KESTRIN_TRACE");
    std::string previous = saved ? saved : "";
    setenv("KESTRIN_TRACE", "1", 1);
    EXPECT_TRUE(HeadlessUiHooks(out.get()).TraceOn());
    setenv("KESTRIN_TRACE", "0", 1);
    EXPECT_FALSE(HeadlessUiHooks(out.get()).TraceOn());
    unsetenv("KESTRIN_TRACE");
    EXPECT_FALSE(HeadlessUiHooks(out.get()).TraceOn());
    if (saved)
        setenv("KESTRIN_TRACE", previous.c_str(), 1);
}

TEST(RecordingUiHooks, RecordsCallsInOrderAndAnswersFromTheScript)
{
    RecordingUiHooks recorder;
    ScopedUiHooks scope(recorder);
    recorder.QueueAnswer(IDNO);
    recorder.QueueAnswer(IDCANCEL);

    SetWaitCursor(true);
    EXPECT_EQ(MessageBoxW(nullptr, u"Continue?", u"Ozm Kestrin", MB_YESNO | MB_SETFOREGROUND), IDNO);
    EXPECT_EQ(MessageBoxW(nullptr, u"Again?", nullptr, MB_YESNOCANCEL), IDCANCEL);
    // The script is used up: the default button answers.
    EXPECT_EQ(MessageBoxW(nullptr, nullptr, u"Error", MB_YESNO | MB_DEFBUTTON2), IDNO);
    OutputDebugStringW(u"TREEVIEW NM_CLICK\n");
    EXPECT_EQ(PlaySoundW(u"ksir_send.wav", nullptr, SND_ASYNC | SND_FILENAME), TRUE);
    EXPECT_EQ(PlaySoundW(nullptr, nullptr, SND_ASYNC), FALSE);
    SetWaitCursor(false);

    std::vector<UiCall> calls = recorder.Calls();
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[0].kind, UiCall::Kind::WaitCursor);
    EXPECT_TRUE(calls[0].on);
    EXPECT_EQ(calls[1].text, u"Continue?");
    EXPECT_EQ(calls[1].caption, u"Ozm Kestrin");
    EXPECT_EQ(calls[1].flags, 0x10004u);
    EXPECT_EQ(calls[1].answer, IDNO);
    EXPECT_EQ(calls[2].caption, u"");
    EXPECT_EQ(calls[3].text, u"");
    EXPECT_EQ(calls[3].answer, IDNO);
    EXPECT_EQ(calls[4].kind, UiCall::Kind::Trace);
    EXPECT_EQ(calls[4].text, u"TREEVIEW NM_CLICK\n");
    EXPECT_EQ(calls[5].kind, UiCall::Kind::Sound);
    EXPECT_EQ(calls[5].text, u"ksir_send.wav");
    EXPECT_EQ(calls[5].flags, DWORD(SND_ASYNC | SND_FILENAME));
    EXPECT_FALSE(calls[6].on);
    EXPECT_EQ(recorder.Count(UiCall::Kind::MessageBox), 3u);

    recorder.QueueAnswer(IDRETRY);
    recorder.Clear();
    EXPECT_TRUE(recorder.Calls().empty());
    EXPECT_EQ(MessageBoxW(nullptr, u"x", u"y", MB_OK), IDOK) << "Clear drops unused answers";
}

TEST(UiHooks, ScopesNestAndRestoreTheHeadlessDefault)
{
    UiHooks* before = &CurrentUiHooks();
    EXPECT_NE(dynamic_cast<HeadlessUiHooks*>(before), nullptr);
    RecordingUiHooks outer;
    {
        ScopedUiHooks outerScope(outer);
        RecordingUiHooks inner;
        {
            ScopedUiHooks innerScope(inner);
            OutputDebugStringW(u"inner\n");
        }
        OutputDebugStringW(u"outer\n");
        EXPECT_EQ(inner.Calls().size(), 1u);
    }
    EXPECT_EQ(&CurrentUiHooks(), before);
    ASSERT_EQ(outer.Calls().size(), 1u);
    EXPECT_EQ(outer.Calls()[0].text, u"outer\n");
}
