#include "platform/os/shortcut.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tamlo::shortcuts {
namespace {

// A desktop-entry string value: line breaks and backslashes escaped.
std::string escapeValue(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\t':
                escaped += "\\t";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// One Exec argument: quoted, with '"', '`', '$' and '\' escaped inside the quotes and '%'
// doubled so it is not taken for a field code. The string-value escaping comes on top.
std::string execArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return escapeValue(quoted);
}

std::string launcherName(const std::string& linkPath) {
    size_t slash = linkPath.rfind('/');
    std::string name = slash == std::string::npos ? linkPath : linkPath.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    return name.empty() ? std::string("Shortcut") : name;
}

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

std::string desktopEntryText(const std::string& target, const std::string& linkPath,
                             const std::string& icon) {
    std::string text =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Version=1.0\n"
        "Name=" +
        escapeValue(launcherName(linkPath)) + "\n" + "Exec=" + execArgument(target) + "\n";
    if (!icon.empty()) {
        text += "Icon=" + escapeValue(icon) + "\n";
    }
    return text + "Terminal=false\n";
}

bool createShortcut(const std::string& target, const std::string& linkPath,
                    const std::string& icon) {
    if (target.empty() || linkPath.empty() || linkPath.back() == '/') {
        return false;
    }
    size_t slash = linkPath.rfind('/');
    std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : linkPath.substr(0, slash));
    std::string temporary = folder + "/.tamlo-link-XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, desktopEntryText(target, linkPath, icon)) && fchmod(fd, 0755) == 0 &&
              fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temporary.c_str(), linkPath.c_str()) == 0) {
        return true;
    }
    unlink(temporary.c_str());
    return false;
}

}  // namespace tamlo::shortcuts
