// orvane-tool: the command-line front end of the editor's core.
#include <cstdio>
#include <cstring>
#include <string>

#include "model/version.h"

namespace {

void PrintUsage(std::FILE* out)
{
    std::fputs("Usage: orvane-tool [--help] [--version]\n"
               "\n"
               "  --help       show this text\n"
               "  --version    print the program's version\n",
               out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    if (cmd == "--version") {
        std::printf("%s\n", orv::kVersionString);
        return 0;
    }
    std::fprintf(stderr, "orvane-tool: unknown command '%s'\n", cmd.c_str());
    PrintUsage(stderr);
    return 2;
}
