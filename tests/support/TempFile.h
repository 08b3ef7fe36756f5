#pragma once
// An anonymous temporary file (std::tmpfile) for code under test that writes
// to a FILE*: open while the object lives, removed by the system once closed.
// The object owns the stream; not copyable, not thread-safe.

#include <cstdio>
#include <memory>
#include <string>

class TempFile {
public:
    TempFile();

    // The open stream; null when the system could make no temporary file.
    std::FILE* get() const { return file_.get(); }
    explicit operator bool() const { return file_ != nullptr; }

    // Everything written so far, buffered output included; afterwards the
    // stream stands at its end, so later writes append.
    std::string Text() const;

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};
