// Built into the Windows test program only (the window side exists there alone).
#ifdef _WIN32

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/win32/backend.h"
#include "platform/windowing/drag_drop.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_queue.h"
#include "platform/windowing/native_window.h"
#include "platform/windowing/window_registry.h"

#include "platform/win32/window_api.h"

// An OLE drag of files and text onto an engine window, through its drop target.
namespace tamlo::test {
namespace {

using platform::DragEvent;
using platform::DragPhase;

HGLOBAL globalCopy(const void* bytes, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    return block;
}

// CF_HDROP: a DROPFILES header, then NUL-terminated wide paths and one more NUL.
HGLOBAL fileList(const std::vector<std::wstring>& paths) {
    std::vector<unsigned char> bytes(sizeof(DROPFILES));
    auto* header = reinterpret_cast<DROPFILES*>(bytes.data());
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    for (const std::wstring& path : paths) {
        const auto* begin = reinterpret_cast<const unsigned char*>(path.c_str());
        bytes.insert(bytes.end(), begin, begin + (path.size() + 1) * sizeof(wchar_t));
    }
    bytes.insert(bytes.end(), sizeof(wchar_t), 0);
    return globalCopy(bytes.data(), bytes.size());
}

// A data object offering a file list and, without a terminator, a text.
class DraggedData final : public IDataObject {
  public:
    explicit DraggedData(bool withFiles) : withFiles_(withFiles) {}
    virtual ~DraggedData() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDataObject)) {
            *out = static_cast<IDataObject*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        medium->tymed = TYMED_HGLOBAL;
        medium->pUnkForRelease = nullptr;
        if (format->cfFormat == CF_HDROP && withFiles_) {
            medium->hGlobal = fileList({L"C:\\payload\\\u6587\u4EF6.txt", L"Z:\\tmp\\b"});
            return S_OK;
        }
        if (format->cfFormat == CF_UNICODETEXT) {
            const wchar_t text[] = {L'h', L'i'};  // no terminator: the block's end is the end
            medium->hGlobal = globalCopy(text, sizeof(text));
            return S_OK;
        }
        return DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

  private:
    bool withFiles_;
};

struct SeenDrag {
    DragPhase phase;
    Point client;
    std::vector<std::string> files;
    std::u16string text;
};

std::intptr_t quietProcedure(platform::WindowHandle window, uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) {
    return platform::defWindowProc(window, message, wParam, lParam);
}

class Win32BackendDropTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* before = std::getenv("TAMLO_PLATFORM");
        previousPlatform_ = before ? before : "";
        platform::stopBackend();
        _putenv_s("TAMLO_PLATFORM", "win32");
        std::string error;
        ASSERT_NE(platform::startBackend(&error), nullptr) << error;
        platform::createUiQueue(nullptr);
    }
    void TearDown() override {
        platform::setDragHandler(nullptr);
        platform::discardUiQueue();
        platform::stopBackend();
        _putenv_s("TAMLO_PLATFORM", previousPlatform_.c_str());
    }
    std::string previousPlatform_;
};

TEST_F(Win32BackendDropTest, FilesAndTextReachTheEngineAndOnlyAnAcceptedDragCopies) {
    platform::WindowCreation creation;
    creation.className = u"drop test";
    creation.procedure = quietProcedure;
    creation.style = WS_POPUP;
    creation.x = 300;
    creation.y = 200;
    creation.width = 120;
    creation.height = 90;
    const platform::WindowHandle window = platform::createWindow(creation);
    ASSERT_NE(window, 0u);
    void* hwnd = platform::win32native::nativeWindowHandle(window);
    ASSERT_NE(hwnd, nullptr);

    std::vector<SeenDrag> seen;
    platform::setDragHandler([&](const DragEvent& event) {
        SeenDrag drag{event.phase, event.client, {}, {}};
        if (event.payload) {
            drag.files = event.payload->files;
            drag.text = event.payload->text;
        }
        seen.push_back(drag);
        return event.payload && !event.payload->files.empty();  // files only
    });
    auto* target = static_cast<IDropTarget*>(platform::win32native::createDropTarget(hwnd, window));

    DraggedData files(true);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    EXPECT_EQ(target->DragEnter(&files, MK_LBUTTON, POINTL{310, 230}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    effect = DROPEFFECT_COPY;
    target->DragOver(MK_LBUTTON, POINTL{350, 240}, &effect);
    target->Drop(&files, 0, POINTL{351, 241}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].phase, DragPhase::Enter);
    EXPECT_EQ(seen[0].client, (Point{10, 30}));
    ASSERT_EQ(seen[0].files.size(), 2u);
    EXPECT_EQ(seen[0].files[0], "C:\\payload\\\xE6\x96\x87\xE4\xBB\xB6.txt");  // UTF-8
    EXPECT_EQ(seen[0].files[1], "Z:\\tmp\\b");
    EXPECT_EQ(seen[0].text, u"hi");
    EXPECT_EQ(seen[1].phase, DragPhase::Over);
    EXPECT_EQ(seen[1].client, (Point{50, 40}));
    EXPECT_EQ(seen[2].phase, DragPhase::Drop);
    EXPECT_EQ(seen[2].client, (Point{51, 41}));

    // Text alone is refused here: no copy, and a leave after an enter is reported.
    seen.clear();
    DraggedData text(false);
    effect = DROPEFFECT_COPY;
    target->DragEnter(&text, MK_LBUTTON, POINTL{305, 205}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    target->DragLeave();
    target->DragLeave();  // a second leave has nothing to end
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].files.empty());
    EXPECT_EQ(seen[0].text, u"hi");
    EXPECT_EQ(seen[1].phase, DragPhase::Leave);

    target->Release();
    platform::destroyWindow(window);
}

}  // namespace
}  // namespace tamlo::test

#endif  // _WIN32
