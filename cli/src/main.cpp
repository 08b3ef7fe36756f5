#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("kestrin-cli %s\n", KESTRIN_VERSION);
        return 0;
    }
    std::fprintf(stderr, "usage: kestrin-cli --version\n");
    return 2;
}
