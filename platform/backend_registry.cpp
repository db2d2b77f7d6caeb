#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/headless/backend.h"
#ifdef TAMLO_HAVE_GTK
#include "platform/gtk/backend.h"
#endif
#ifdef _WIN32
#include "platform/win32/backend.h"
#endif
#include "platform/backend.h"
#include "platform/windowing/clipboard.h"

namespace tamlo::platform {
namespace {

struct BackendEntry {
    const char* name;
    std::function<std::unique_ptr<Backend>(std::string* error)> create;
};

// The backends of this build, by name.
const std::vector<BackendEntry>& backendTable() {
    static const std::vector<BackendEntry> table = {
        {"headless", [](std::string*) { return std::make_unique<HeadlessBackend>(); }},
#ifdef TAMLO_HAVE_GTK
        {"gtk", [](std::string* error) { return gtk::createGtkBackend(error); }},
#endif
#ifdef _WIN32
        {"win32", [](std::string* error) { return win32native::createWin32Backend(error); }},
#endif
    };
    return table;
}

std::unique_ptr<Backend>& current() {
    static std::unique_ptr<Backend> instance;
    return instance;
}

#ifndef _WIN32
bool hasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}
#endif

std::string& defaultBackendName() {
    static std::string name;
    return name;
}

}  // namespace

void setDefaultBackend(const std::string& name) {
    defaultBackendName() = name;
}

// A backend without a picker answers every request as cancelled.
bool Backend::browseForFolder(WindowHandle, std::u16string_view, std::u16string&) {
    return false;
}

std::unique_ptr<BrowserView> Backend::createBrowserView(WindowHandle, BrowserEvents,
                                                        std::string* why) {
    if (why) {
        *why = "the " + std::string(name()) + " backend has no web browser";
    }
    return nullptr;
}

bool Backend::clipboardHasText() {
    return processClipboard().has_value();
}

bool Backend::clipboardText(std::u16string& out) {
    if (!processClipboard()) {
        return false;
    }
    out = *processClipboard();
    return true;
}

bool Backend::setClipboardText(std::u16string_view text) {
    processClipboard() = std::u16string(text);
    return true;
}

Backend* startBackend(std::string* error) {
    if (current()) {
        return current().get();
    }
    const char* chosen = std::getenv("TAMLO_PLATFORM");
    std::string name = chosen && *chosen ? chosen : defaultBackendName();
    if (name.empty()) {
#ifdef _WIN32
        name = "win32";  // a Windows session always has its desktop
#else
        if (!hasDisplay()) {
            if (error) {
                *error = "no display found: set TAMLO_PLATFORM=headless to run without one";
            }
            return nullptr;
        }
        name = "gtk";
#endif
    }
    for (const auto& entry : backendTable()) {
        if (name == entry.name) {
            current() = entry.create(error);
            return current().get();
        }
    }
    if (error) {
        *error = "platform \"" + name + "\" is not available in this build";
    }
    return nullptr;
}

Backend& backend() {
    return *current();
}

bool backendStarted() {
    return current() != nullptr;
}

void stopBackend() {
    current().reset();
}

std::vector<std::string> availableBackends() {
    std::vector<std::string> names;
    for (const auto& entry : backendTable()) {
        names.emplace_back(entry.name);
    }
    return names;
}

}  // namespace tamlo::platform
