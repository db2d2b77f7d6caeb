#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "tools/pack/pack_commands.h"

namespace {

const char kUsage[] =
    "usage: tamlo-pack create OUT.lz DIR [--store GLOB]... [--dict MiB] [--solid [--block MiB]]\n"
    "       tamlo-pack list PKG\n"
    "       tamlo-pack extract PKG -C DIR [NAME]...\n"
    "       tamlo-pack verify PKG|INSTALLER [--ca FILE]\n"
    "       tamlo-pack build PROJECT -o INSTALLER [--engine PROGRAM] [--force] [--per-entry | "
    "--block MiB]\n"
    "       tamlo-pack check PROJECT|INSTALLER\n"
    "       tamlo-pack bundle-list INSTALLER\n"
    "       tamlo-pack sign INSTALLER --pkcs12 FILE [--password-file FILE] [--timestamp URL]\n";

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&, std::string*);
};

const Command kCommands[] = {
    {"create", tamlo::pack::runCreate},   {"list", tamlo::pack::runList},
    {"extract", tamlo::pack::runExtract}, {"verify", tamlo::pack::runVerify},
    {"build", tamlo::pack::runBuild},     {"bundle-list", tamlo::pack::runBundleList},
    {"check", tamlo::pack::runCheck},     {"sign", tamlo::pack::runSign},
};

// The usage lines of one command.
void printCommandUsage(const char* name) {
    const std::string usage = kUsage;
    const std::string marker = std::string("tamlo-pack ") + name + " ";
    std::size_t start = 0;
    while (start < usage.size()) {
        const std::size_t end = usage.find('\n', start);
        const std::string line = usage.substr(start, end - start);
        if (line.find(marker) != std::string::npos) {
            std::printf("usage: %s\n", line.substr(line.find("tamlo-pack")).c_str());
        }
        start = end == std::string::npos ? usage.size() : end + 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
#if defined(__GLIBC__)
    // Every solid block allocates a block-sized buffer and dictionary; kept in the heap
    // rather than mapped and unmapped each time they cost no page faults the next time.
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return tamlo::pack::kUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, stdout);
        return tamlo::pack::kSuccess;
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0) {
            std::vector<std::string> args(argv + 2, argv + argc);
            for (const std::string& arg : args) {
                if (arg == "--help" || arg == "-h") {
                    printCommandUsage(command.name);
                    return tamlo::pack::kSuccess;
                }
            }
            std::string error;
            int status = command.run(args, &error);
            if (std::fflush(stdout) != 0 && status == tamlo::pack::kSuccess) {
                error = "cannot write the output";
                status = tamlo::pack::kFailure;
            }
            if (status != tamlo::pack::kSuccess) {
                // The reason is one line, whatever file names it quotes.
                for (char& c : error) {
                    if (c == '\n' || c == '\r') {
                        c = ' ';
                    }
                }
                std::fprintf(stderr, "tamlo-pack %s: %s\n", command.name,
                             error.empty() ? "failed" : error.c_str());
            }
            return status;
        }
    }
    std::fprintf(stderr, "tamlo-pack: unknown command \"%s\" (try --help)\n", argv[1]);
    return tamlo::pack::kUsage;
}
