#pragma once
// The UI hooks: the few things a library may ask of the user interface without
// linking one — show a message box, switch the wait cursor, write a trace line,
// play a sound. The program installs an implementation on its GUI toolkit;
// processes without a display keep the headless default; tests install a
// RecordingUiHooks to see what would have been shown and to script answers.
//
// Ownership: InstallUiHooks does not take ownership; the installed object
// must outlive its installation (ScopedUiHooks makes that easy in tests).
// Thread-safety: installing and reading the current hooks are atomic; the
// hooks themselves are called from any thread that calls the free functions
// below, so an implementation must be thread-safe (the ones here are).

#include "MessageBoxFlags.h"
#include "WinTypes.h"

#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class UiHooks {
public:
    virtual ~UiHooks() = default;

    // Shows `text` under `caption` with the buttons and icon of `type`
    // (MB_* flags) and returns the answer (IDOK, IDYES, ...). `owner` may be
    // null (no owner window).
    virtual int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) = 0;
    // Shows (true) or removes (false) the wait cursor. Not counted: one
    // `false` removes it whatever came before.
    virtual void SetWaitCursor(bool on) = 0;
    // One line of diagnostic output (the text usually ends in a line feed).
    // Never shown to the user; implementations may drop it.
    virtual void Trace(std::u16string_view line) = 0;
    // Plays the sound file at `path` with SND_* `flags`; returns 1 when the
    // sound was started (or played), 0 when it could not be.
    virtual BOOL PlaySound(std::u16string_view path, DWORD flags) = 0;
};

// The hooks in force: the installed ones, else the process's headless default.
UiHooks& CurrentUiHooks();
// Makes `hooks` the current hooks (null restores the headless default) and
// returns the ones installed before (null when that was the default).
UiHooks* InstallUiHooks(UiHooks* hooks);

// Installs hooks for one scope and puts the previous ones back at its end.
class ScopedUiHooks {
public:
    explicit ScopedUiHooks(UiHooks& hooks)
        : previous_(InstallUiHooks(&hooks))
    {
    }
    ~ScopedUiHooks() { InstallUiHooks(previous_); }
    ScopedUiHooks(const ScopedUiHooks&) = delete;
    ScopedUiHooks& operator=(const ScopedUiHooks&) = delete;

private:
    UiHooks* previous_;
};

// The hooks of a process without a display. A message box writes
// "caption: text" as UTF-8 to the output stream and answers with its default
// button; the wait cursor and sounds do nothing (PlaySound returns 0); trace
// lines go to the output stream when tracing is on. By default the stream is
// stderr and tracing is on when the environment variable KESTRIN_TRACE is 1.
class HeadlessUiHooks : public UiHooks {
public:
    explicit HeadlessUiHooks(std::FILE* out = stderr, std::optional<bool> trace = std::nullopt);

    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) override;
    void SetWaitCursor(bool on) override;
    void Trace(std::u16string_view line) override;
    BOOL PlaySound(std::u16string_view path, DWORD flags) override;

    bool TraceOn() const { return trace_; }

private:
    std::FILE* out_;
    bool trace_;
};

// One call that reached a RecordingUiHooks.
struct UiCall {
    enum class Kind { MessageBox, WaitCursor, Trace, Sound };
    Kind kind;
    std::u16string text; // message text, trace line or sound path
    std::u16string caption; // message boxes only
    UINT flags = 0; // MB_* of a message box, SND_* of a sound
    HWND owner = nullptr; // message boxes only
    bool on = false; // wait cursor only
    int answer = 0; // what a message box answered
};

// Records every call in order. Message boxes answer with the scripted answers
// in the order they were queued; once the queue is empty, with the default
// button of the box. Sounds report success. Thread-safe.
class RecordingUiHooks : public UiHooks {
public:
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) override;
    void SetWaitCursor(bool on) override;
    void Trace(std::u16string_view line) override;
    BOOL PlaySound(std::u16string_view path, DWORD flags) override;

    // The next message box answers `answer` (after those queued before).
    void QueueAnswer(int answer);
    // Every call so far, oldest first.
    std::vector<UiCall> Calls() const;
    // The calls of one kind, oldest first.
    std::vector<UiCall> Calls(UiCall::Kind kind) const;
    std::size_t Count(UiCall::Kind kind) const;
    // Forgets the recorded calls and the answers not used yet.
    void Clear();

private:
    void Record(UiCall call);

    mutable std::mutex mutex_;
    std::vector<UiCall> calls_;
    std::deque<int> answers_;
};

// The platform's calls, routed to the current hooks, so library code reads as
// it would on the device. Null texts are taken as empty.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
void OutputDebugStringW(LPCWSTR line);
// `module` is ignored (sounds are files); `path` null plays nothing and returns 0.
BOOL PlaySoundW(LPCWSTR path, HMODULE module, DWORD flags);
// Shows or removes the wait cursor (the effect of selecting IDC_WAIT or no cursor).
void SetWaitCursor(bool on);
