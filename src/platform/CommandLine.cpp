#include "platform/CommandLine.h"

#include <cstdio>
#include <cstring>

namespace CommandLine {

const char* version() { return VARNEX_VERSION; }

bool answered(int argc, char** argv, const char* name, const char* help) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", name, version());
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(help, stdout);
            return true;
        }
    }
    return false;
}

bool has(const QStringList& args, const char* option) {
    return args.mid(1).contains(QLatin1String(option));
}

}  // namespace CommandLine
