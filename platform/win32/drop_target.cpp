#include <string>

#include "platform/desktop.h"
#include "platform/display_scale.h"
#include "platform/text_encoding.h"
#include "platform/win32/backend.h"

#include "platform/win32/window_api.h"

namespace tamlo::platform::win32native {
namespace {

// The files of a CF_HDROP, as UTF-8 paths.
void readFiles(IDataObject* data, DragPayload& payload) {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) {
        return;
    }
    if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::u16string path(length + 1, u'\0');
            const UINT copied = DragQueryFileW(drop, i, reinterpret_cast<wchar_t*>(&path[0]),
                                               static_cast<UINT>(path.size()));
            path.resize(copied);
            if (!path.empty()) {
                payload.files.push_back(utf16ToUtf8(path));
            }
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
}

// CF_UNICODETEXT, up to its terminator or the end of the block.
void readText(IDataObject* data, DragPayload& payload) {
    FORMATETC format{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) {
        return;
    }
    if (const auto* text = static_cast<const char16_t*>(GlobalLock(medium.hGlobal))) {
        const std::size_t units = GlobalSize(medium.hGlobal) / sizeof(char16_t);
        std::size_t length = 0;
        while (length < units && text[length] != 0) {
            ++length;
        }
        payload.text.assign(text, length);
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
}

// Every engine window's IDropTarget: the drag's phases go to the engine's drag handler,
// which says whether it would take a copy.
class DropTarget final : public IDropTarget {
  public:
    DropTarget(HWND hwnd, WindowHandle window) : hwnd_(hwnd), window_(window) {}
    virtual ~DropTarget() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
            *out = static_cast<IDropTarget*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL point,
                                        DWORD* effect) override {
        payload_ = DragPayload{};
        if (data != nullptr) {
            readFiles(data, payload_);
            readText(data, payload_);
        }
        entered_ = true;
        return answer(DragPhase::Enter, point, effect);
    }

    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL point, DWORD* effect) override {
        return answer(DragPhase::Over, point, effect);
    }

    HRESULT STDMETHODCALLTYPE DragLeave() override {
        if (entered_) {
            entered_ = false;
            DragEvent event{window_, DragPhase::Leave, Point{}, nullptr};
            deliverDragEvent(event);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                   DWORD* effect) override {
        if (!entered_) {
            DragEnter(data, keys, point, effect);
        }
        entered_ = false;
        return answer(DragPhase::Drop, point, effect);
    }

  private:
    HRESULT answer(DragPhase phase, POINTL point, DWORD* effect) {
        POINT client{point.x, point.y};
        ScreenToClient(hwnd_, &client);
        const Point logical = toLogical(Point{client.x, client.y}, windowScale(window_));
        DragEvent event{window_, phase, logical, &payload_};
        const bool accepted = deliverDragEvent(event);
        if (effect != nullptr) {
            *effect = accepted ? DROPEFFECT_COPY : DROPEFFECT_NONE;
        }
        return S_OK;
    }

    HWND hwnd_;
    WindowHandle window_;
    ULONG references_ = 1;
    bool entered_ = false;
    DragPayload payload_;
};

}  // namespace

void* createDropTarget(void* hwnd, WindowHandle window) {
    return static_cast<IDropTarget*>(new DropTarget(static_cast<HWND>(hwnd), window));
}

void registerDropTarget(void* hwnd, WindowHandle window) {
    auto* target = static_cast<IDropTarget*>(createDropTarget(hwnd, window));
    // The registration holds its own reference.
    RegisterDragDrop(static_cast<HWND>(hwnd), target);
    target->Release();
}

void revokeDropTarget(void* hwnd) {
    RevokeDragDrop(static_cast<HWND>(hwnd));
}

}  // namespace tamlo::platform::win32native
