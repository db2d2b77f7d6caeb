#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/os/os_services.h"

namespace tamlo::os {

std::string tempPath() {
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    if (path.back() != '/') {
        path += '/';
    }
    return path;
}

std::array<uint8_t, 8> bootTimeBytes() {
    std::array<uint8_t, 8> bytes{};
    // Tests point TAMLO_PROC_STAT at a file of their own.
    const char* override = std::getenv("TAMLO_PROC_STAT");
    std::ifstream stat(override && *override ? override : "/proc/stat");
    std::string line;
    while (std::getline(stat, line)) {
        if (line.compare(0, 6, "btime ") != 0) {
            continue;
        }
        const char* digits = line.c_str() + 6;
        while (*digits == ' ') {
            ++digits;
        }
        if (*digits < '0' || *digits > '9') {
            break;
        }
        char* end = nullptr;
        errno = 0;
        unsigned long long seconds = std::strtoull(digits, &end, 10);
        if (errno != 0 || (*end != '\0' && *end != ' ' && *end != '\r')) {
            break;
        }
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<uint8_t>(seconds >> (8 * i));
        }
        break;
    }
    return bytes;
}

std::string executablePath() {
    std::string buffer(256, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

void setEnvironmentVariable(const std::string& name, const std::string& value) {
    setenv(name.c_str(), value.c_str(), 1);
}

std::string runningProgramFile() {
    return "/proc/self/exe";
}

}  // namespace tamlo::os
