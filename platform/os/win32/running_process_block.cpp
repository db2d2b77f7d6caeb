#include "platform/os/running_process_block.h"

#include <windows.h>
// after windows.h
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/os/win32/wide_text.h"

namespace tamlo::processes {
namespace {

// Everyone may use both objects, and low-integrity processes too (no write-up).
constexpr const wchar_t* kOpenToAll = L"D:(A;;GA;;;WD)S:(ML;;NW;;;LW)";

// Security for a new object: the descriptor lives as long as this object.
class OpenSecurity {
  public:
    OpenSecurity() {
        if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kOpenToAll, SDDL_REVISION_1,
                                                                 &descriptor_, nullptr)) {
            attributes_.nLength = sizeof attributes_;
            attributes_.lpSecurityDescriptor = descriptor_;
            attributes_.bInheritHandle = FALSE;
        }
    }
    ~OpenSecurity() {
        if (descriptor_ != nullptr) {
            LocalFree(descriptor_);
        }
    }
    OpenSecurity(const OpenSecurity&) = delete;
    OpenSecurity& operator=(const OpenSecurity&) = delete;
    SECURITY_ATTRIBUTES* attributes() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

    // Puts the low-integrity label on an object another process created.
    void labelLow(HANDLE object) const {
        PACL sacl = nullptr;
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        if (descriptor_ != nullptr &&
            GetSecurityDescriptorSacl(descriptor_, &present, &sacl, &defaulted) && present) {
            SetSecurityInfo(object, SE_KERNEL_OBJECT, LABEL_SECURITY_INFORMATION, nullptr, nullptr,
                            nullptr, sacl);
        }
    }

  private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_{};
};

// The block's mutex, held while the object lives. An abandoned mutex (its holder died)
// is ours all the same.
class BlockLock {
  public:
    explicit BlockLock(const std::string& name) {
        OpenSecurity security;
        mutex_.reset(CreateMutexW(security.attributes(), FALSE, win32::widen(name).c_str()));
        if (!mutex_.valid()) {
            return;
        }
        security.labelLow(mutex_.get());
        DWORD waited = WaitForSingleObject(mutex_.get(), kBlockLockWaitMs);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~BlockLock() {
        if (held_) {
            ReleaseMutex(mutex_.get());
        }
    }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;
    bool held() const { return held_; }

  private:
    win32::Handle mutex_;
    bool held_ = false;
};

class View {
  public:
    explicit View(HANDLE section)
        : data_(static_cast<uint8_t*>(
              MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kBlockSize))) {}
    ~View() {
        if (data_ != nullptr) {
            UnmapViewOfFile(data_);
        }
    }
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    uint8_t* data() const { return data_; }

  private:
    uint8_t* data_;
};

// A section vanishes with its last handle: a block this process wrote stays alive until
// it is removed, as the product keeps its own open while it runs.
std::mutex& keptMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<std::string, win32::Handle>& keptSections() {
    static std::map<std::string, win32::Handle> sections;
    return sections;
}

}  // namespace

std::optional<std::u16string> readRunningProcessBlock(const BlockNames& names) {
    // Opening rather than creating: a machine without the product gets no object.
    win32::Handle section(
        OpenFileMappingW(FILE_MAP_READ, FALSE, win32::widen(names.section).c_str()));
    if (!section.valid()) {
        return std::nullopt;
    }
    BlockLock lock(names.lock);
    if (!lock.held()) {
        return std::nullopt;
    }
    const uint8_t* bytes =
        static_cast<const uint8_t*>(MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, 0));
    if (bytes == nullptr) {
        return std::nullopt;
    }
    // A section made smaller by someone else is read only as far as it goes.
    MEMORY_BASIC_INFORMATION region;
    size_t available = VirtualQuery(bytes, &region, sizeof region) == sizeof region
                           ? std::min<std::size_t>(region.RegionSize, kBlockSize)
                           : 0;
    std::u16string text;
    for (size_t i = 0; i + 1 < available; i += 2) {
        char16_t unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        text += unit;
    }
    UnmapViewOfFile(bytes);
    return text;
}

bool writeRunningProcessBlock(const BlockNames& names, std::u16string_view text) {
    BlockLock lock(names.lock);
    if (!lock.held()) {
        return false;
    }
    OpenSecurity security;
    win32::Handle section(CreateFileMappingW(INVALID_HANDLE_VALUE, security.attributes(),
                                             PAGE_READWRITE, 0, static_cast<DWORD>(kBlockSize),
                                             win32::widen(names.section).c_str()));
    if (!section.valid()) {
        return false;
    }
    bool written = false;
    {
        View view(section.get());
        if (view.data() != nullptr) {
            std::memset(view.data(), 0, kBlockSize);
            size_t units = std::min(text.size(), kBlockSize / 2 - 1);
            for (size_t i = 0; i < units; ++i) {
                view.data()[2 * i] = static_cast<uint8_t>(text[i] & 0xFF);
                view.data()[2 * i + 1] = static_cast<uint8_t>(text[i] >> 8);
            }
            written = true;
        }
    }
    if (written) {
        std::lock_guard<std::mutex> guard(keptMutex());
        keptSections()[names.section] = std::move(section);
    }
    return written;
}

void removeRunningProcessBlock(const BlockNames& names) {
    std::lock_guard<std::mutex> guard(keptMutex());
    keptSections().erase(names.section);
}

}  // namespace tamlo::processes
