#include "tools/run/layout_watcher.h"

#include <cstdio>

#include "dui/controls/edit.h"
#include "dui/loader/layout_loader.h"
#include "platform/text_encoding.h"
#include "platform/windowing/message_loop.h"
#include "tools/check/project_check.h"
#include "tools/run/run_session.h"
#include "window/window_base.h"

namespace tamlo::runtool {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kPollMs = 100;
constexpr int kErrorId = 1;

}  // namespace

LayoutWatcher* LayoutWatcher::current_ = nullptr;

LayoutWatcher::LayoutWatcher(std::string projectFolder, std::u16string layout, WindowBase& window,
                             RunSession& session)
    : folder_(std::move(projectFolder)),
      layout_(std::move(layout)),
      window_(window),
      session_(session) {}

LayoutWatcher::~LayoutWatcher() {
    stop();
}

void LayoutWatcher::start() {
    current_ = this;
    seen_ = snapshot();
    timer_ = platform::setTimer(0, 0, kPollMs, &LayoutWatcher::tick);
    // What the window shows first is what a reload would show: the errors, if any.
    const std::string errors = projectErrors();
    if (!errors.empty()) {
        showErrors(errors);
    }
}

void LayoutWatcher::stop() {
    if (timer_ != 0) {
        platform::killTimer(0, timer_);
        timer_ = 0;
    }
    if (current_ == this) {
        current_ = nullptr;
    }
}

void LayoutWatcher::tick(std::uintptr_t, uint32_t, std::uintptr_t, uint64_t) {
    LayoutWatcher* watcher = current_;
    if (watcher == nullptr) {
        return;
    }
    Snapshot now = watcher->snapshot();
    bool changed = now.size() != watcher->seen_.size();
    for (auto a = now.begin(), b = watcher->seen_.begin(); !changed && a != now.end(); ++a, ++b) {
        changed = a->first != b->first || a->second != b->second;
    }
    if (changed) {
        watcher->seen_ = std::move(now);
        watcher->reload();
    }
}

LayoutWatcher::Snapshot LayoutWatcher::snapshot() const {
    Snapshot files;
    for (const char* folder : {"frame", "style"}) {
        std::error_code failure;
        for (fs::directory_iterator it(fs::u8path(folder_) / folder, failure), end;
             !failure && it != end; it.increment(failure)) {
            std::error_code ignored;
            Stamp stamp;
            stamp.time = it->last_write_time(ignored);
            stamp.size = it->is_regular_file(ignored) ? it->file_size(ignored) : 0;
            files[std::string(folder) + "/" + it->path().filename().u8string()] = stamp;
        }
    }
    return files;
}

std::string LayoutWatcher::projectErrors() const {
    check::ProjectFiles files;
    std::string error;
    if (!check::loadProjectFiles(folder_, files, &error)) {
        return error;
    }
    std::string text;
    for (const check::Finding& finding : check::checkProject(files)) {
        if (finding.error &&
            (finding.file.rfind("frame/", 0) == 0 || finding.file.rfind("style/", 0) == 0)) {
            text += check::formatFinding(finding) + "\n";
        }
    }
    return text;
}

void LayoutWatcher::reload() {
    // The old tree goes before the styles it paints with.
    window_.setRoot(nullptr);
    session_.reloadStyles();
    std::string errors = projectErrors();
    dui::Control* root = errors.empty() ? dui::loadLayout(layout_) : nullptr;
    if (root == nullptr) {
        if (errors.empty()) {
            errors = session_.layoutError("show", utf16ToUtf8(layout_)) + "\n";
        }
        showErrors(errors);
        return;
    }
    window_.setRoot(root);
    window_.updateLayout();
    window_.invalidateRect(Rect{0, 0, 1 << 15, 1 << 15});
    std::fprintf(stderr, "tamlo-run: reloaded %s\n", utf16ToUtf8(layout_).c_str());
    std::fflush(stderr);
}

void LayoutWatcher::showErrors(const std::string& text) {
    std::fprintf(stderr, "tamlo-run: not reloaded:\n%s", text.c_str());
    std::fflush(stderr);
    const Size size = window_.clientSize();
    const std::string page =
        "<Window initSize=\"" + std::to_string(size.width > 0 ? size.width : 480) + "," +
        std::to_string(size.height > 0 ? size.height : 200) + "\"><Edit id=\"" +
        std::to_string(kErrorId) +
        "\" texteditable=\"0\" textpadding=\"12,12\" color=\"#9090ff\"/></Window>";
    dui::Control* root = dui::buildLayout(page, u"watch");
    if (root == nullptr) {
        return;
    }
    window_.setRoot(root);
    if (auto* edit = dynamic_cast<dui::Edit*>(window_.controlById(kErrorId))) {
        edit->setText(utf8ToUtf16("The layout is not shown: mend the file and save.\n\n" + text));
    }
    window_.updateLayout();
    window_.invalidateRect(Rect{0, 0, 1 << 15, 1 << 15});
}

}  // namespace tamlo::runtool
