// kestrin-rapi: the device side of the remote API. It loads a library, finds
// a stream-mode function in it and calls it with a stream bound to its
// standard output (reads come from standard input):
//
//     kestrin-rapi LIBRARY FUNCTION
//
// LIBRARY is a library name ("kstdata", also "kstdata.dll" or
// "libkstdata.so", found the way the system finds libraries) or a path.
// Exit status 0 when the function returned 0; otherwise a line
// "kestrin-rapi: error N: TEXT" on standard error (N the function's result
// or the failure's code, decimal) and status 1; 2 for bad usage.

#include "RapiStream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

namespace {

using StreamFunction = HRESULT (*)(DWORD, BYTE*, DWORD*, BYTE**, IRAPIStream*);

constexpr int kErrorModNotFound = 126;
constexpr int kErrorProcNotFound = 127;

// The stream over the standard input and output.
class StandardStream final : public IRAPIStream {
public:
    HRESULT Read(void* buffer, DWORD bytes, DWORD* read) override
    {
        DWORD done = 0;
        while (done < bytes) {
            const ssize_t got = ::read(STDIN_FILENO, static_cast<char*>(buffer) + done, bytes - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<DWORD>(got);
        }
        if (read)
            *read = done;
        return done == bytes ? S_OK : E_FAIL;
    }
    HRESULT Write(const void* buffer, DWORD bytes, DWORD* written) override
    {
        DWORD done = 0;
        while (done < bytes) {
            const ssize_t put = ::write(STDOUT_FILENO, static_cast<const char*>(buffer) + done, bytes - done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                break;
            done += static_cast<DWORD>(put);
        }
        if (written)
            *written = done;
        return done == bytes ? S_OK : E_FAIL;
    }
    ULONG Release() override
    {
        released_ = true;
        return 0;
    }
    bool Released() const { return released_; }

private:
    bool released_ = false;
};

int Fail(long code, const std::string& text)
{
    std::fprintf(stderr, "kestrin-rapi: error %ld: %s\n", code, text.c_str());
    return 1;
}

// "kstdata" and "kstdata.dll" become "libkstdata.so"; a name with a '/' is
// a path and stays as it is.
std::string LibraryFile(std::string name)
{
    if (name.find('/') != std::string::npos)
        return name;
    const std::string dll = ".dll";
    if (name.size() > dll.size() && strcasecmp(name.c_str() + name.size() - dll.size(), dll.c_str()) == 0)
        name.resize(name.size() - dll.size());
    if (name.rfind("lib", 0) != 0)
        name = "lib" + name;
    if (name.find(".so") == std::string::npos)
        name += ".so";
    return name;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3 || argv[1][0] == '\0' || argv[2][0] == '\0') {
        std::fprintf(stderr, "usage: kestrin-rapi LIBRARY FUNCTION\n");
        return 2;
    }
    void* library = ::dlopen(LibraryFile(argv[1]).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return Fail(kErrorModNotFound, ::dlerror());
    auto function = reinterpret_cast<StreamFunction>(::dlsym(library, argv[2]));
    if (!function)
        return Fail(kErrorProcNotFound, std::string("no function ") + argv[2] + " in " + argv[1]);
    StandardStream stream;
    DWORD outputSize = 0;
    BYTE* output = nullptr;
    const HRESULT result = function(0, nullptr, &outputSize, &output, &stream);
    if (!stream.Released())
        stream.Release();
    std::fflush(stdout);
    if (result != S_OK)
        return Fail(static_cast<long>(static_cast<DWORD>(result)), std::string(argv[2]) + " failed");
    return 0;
}
