#include "platform/os/shortcut.h"

#include <windows.h>
// after windows.h
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>

#include "platform/os/win32/wide_text.h"

// Shortcuts are shell links (.lnk) written through the shell's own object.
namespace tamlo::shortcuts {
namespace {

// COM for this thread while the object lives; a thread already in another mode is fine.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT result_;
};

template <typename Interface>
class ComPointer {
  public:
    ComPointer() = default;
    ~ComPointer() {
        if (pointer_ != nullptr) {
            pointer_->Release();
        }
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    Interface** out() { return &pointer_; }
    Interface* operator->() const { return pointer_; }

  private:
    Interface* pointer_ = nullptr;
};

}  // namespace

bool createShortcut(const std::string& target, const std::string& linkPath,
                    const std::string& icon) {
    if (target.empty() || linkPath.empty() || linkPath.back() == '\\' || linkPath.back() == '/') {
        return false;
    }
    ComScope com;
    if (!com.usable()) {
        return false;
    }
    ComPointer<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.out())))) {
        return false;
    }
    ComPointer<IPersistFile> file;
    // The shell writes the .lnk in place itself, replacing an old one.
    if (!icon.empty() && FAILED(link->SetIconLocation(win32::widen(icon).c_str(), 0))) {
        return false;
    }
    return SUCCEEDED(link->SetPath(win32::widen(target).c_str())) &&
           SUCCEEDED(
               link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))) &&
           SUCCEEDED(file->Save(win32::widen(linkPath).c_str(), TRUE));
}

}  // namespace tamlo::shortcuts
