#include "TempFile.h"

TempFile::TempFile()
    : file_(std::tmpfile())
{
}

std::string TempFile::Text() const
{
    std::string text;
    if (!file_)
        return text;
    std::fflush(file_.get());
    std::rewind(file_.get());
    char chunk[256];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file_.get())) > 0)
        text.append(chunk, got);
    return text;
}
