// dump-layout: hosts a layout in a headless window the way a script window is made, and
// prints its control tree with the laid-out rectangles.

#include <cxxabi.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <typeinfo>

#include "dui/controls/tab_item.h"
#include "dui/core/content_metrics.h"
#include "dui/core/panel.h"
#include "dui/loader/layout_loader.h"
#include "platform/backend.h"
#include "platform/debug_sink.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_queue.h"
#include "runtime/ui_context.h"
#include "tools/run/project.h"
#include "tools/run/project_metrics.h"
#include "tools/run/run_commands.h"
#include "tools/run/run_session.h"
#include "window/window_base.h"

namespace tamlo::runtool {
namespace {

// The C++ class of a control, without its namespaces.
std::string className(const dui::Control& control) {
    const char* mangled = typeid(control).name();
    int status = 0;
    char* readable = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && readable != nullptr ? readable : mangled;
    std::free(readable);
    const std::size_t separator = name.rfind("::");
    return separator == std::string::npos ? name : name.substr(separator + 2);
}

std::string rectText(const Rect& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

void printControl(const dui::Control& control, int depth) {
    std::string line(static_cast<std::size_t>(depth) * 2, ' ');
    line += className(control);
    line += " name=" + utf16ToUtf8(control.getName());
    line += " id=";
    line += control.hasInt(dui::key::id) ? std::to_string(control.getInt(dui::key::id, 0)) : "-";
    line += " rect=" + rectText(control.rect());
    Rect absolute;
    line += " abs=";
    line += control.absoluteRect(absolute) ? rectText(absolute) : "-";
    line += " desired=" + std::to_string(control.desiredSize().width) + "," +
            std::to_string(control.desiredSize().height);
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%" PRIx32, control.flags());
    line += " flags=";
    line += flags;
    std::puts(line.c_str());
}

void printTree(dui::Control& control, int depth) {
    printControl(control, depth);
    if (auto* item = dynamic_cast<dui::TabItem*>(&control)) {
        if (item->page() != nullptr) {
            printTree(*item->page(), depth + 1);
        }
    }
    if (dui::Panel* panel = control.asPanel()) {
        for (dui::Control* child : panel->childList()) {
            printTree(*child, depth + 1);
        }
    }
}

}  // namespace

int dumpLayout(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2 && !(arguments.size() == 4 && arguments[2] == "--size")) {
        return fail("usage: tamlo-run dump-layout PROJECT LAYOUT [--size W,H]");
    }
    int32_t width = 0;
    int32_t height = 0;
    const bool resize = arguments.size() == 4;
    if (resize && !parseWindowSize(arguments[3], 65535, width, height)) {
        return fail("--size wants W,H with two positive numbers, not \"" + arguments[3] + "\"");
    }
    std::string error;
    std::unique_ptr<Project> project = Project::open(arguments[0], &error);
    if (project == nullptr) {
        return fail(error);
    }

    RunSession session(*project);
    // Styles and fonts as a window has them, so texts measure as they paint.
    if (!session.start(/*headless=*/true, /*withStyles=*/true, &error)) {
        return fail(error);
    }

    const std::u16string layoutName = utf8ToUtf16(arguments[1]);
    int status = 0;
    if (dui::Control* root = dui::loadLayout(layoutName)) {
        // Made the way a script window is: the window takes the tree, then is created.
        auto* window = new WindowBase();
        window->setRoot(root);
        if (!window->create(0, 0, 0, 0, 0, 0, 0)) {
            delete window;
            status = fail("the window could not be made");
        } else {
            if (resize) {
                window->resize(width, height);
            }
            printTree(*window->root(), 0);
            window->destroy();
        }
    } else {
        status = fail(session.layoutError("load", arguments[1]));
    }
    return status;
}

}  // namespace tamlo::runtool
