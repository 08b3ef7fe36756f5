#include "UiHooks.h"

int RecordingUiHooks::MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type)
{
    std::lock_guard lock(mutex_);
    int answer = MessageBoxDefaultAnswer(type);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    calls_.push_back({ UiCall::Kind::MessageBox, std::u16string(text), std::u16string(caption), type, owner,
        false, answer });
    return answer;
}

void RecordingUiHooks::SetWaitCursor(bool on)
{
    Record({ UiCall::Kind::WaitCursor, {}, {}, 0, nullptr, on, 0 });
}

void RecordingUiHooks::Trace(std::u16string_view line)
{
    Record({ UiCall::Kind::Trace, std::u16string(line), {}, 0, nullptr, false, 0 });
}

BOOL RecordingUiHooks::PlaySound(std::u16string_view path, DWORD flags)
{
    Record({ UiCall::Kind::Sound, std::u16string(path), {}, flags, nullptr, false, 0 });
    return TRUE;
}

void RecordingUiHooks::QueueAnswer(int answer)
{
    std::lock_guard lock(mutex_);
    answers_.push_back(answer);
}

std::vector<UiCall> RecordingUiHooks::Calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<UiCall> RecordingUiHooks::Calls(UiCall::Kind kind) const
{
    std::lock_guard lock(mutex_);
    std::vector<UiCall> matching;
    for (const UiCall& call : calls_)
        if (call.kind == kind)
            matching.push_back(call);
    return matching;
}

std::size_t RecordingUiHooks::Count(UiCall::Kind kind) const
{
    return Calls(kind).size();
}

void RecordingUiHooks::Clear()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
    answers_.clear();
}

void RecordingUiHooks::Record(UiCall call)
{
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
}
