#pragma once

#include <deque>
#include <string>

#include "dui/controls/text_input.h"
#include "platform/backend.h"
#include "platform/windowing/clipboard.h"
#include "window/window_impl_fixture.h"

namespace tamlo::test {

// A window holding one text control (id 1) at the client's top-left, driven through the
// headless input like a user would.
class TextInputTest : public WindowImplTest {
  protected:
    void SetUp() override {
        WindowImplTest::SetUp();
        platform::setClipboardText(u"");
    }

    template <class T>
    T* openWith(const std::string& element) {
        open("<Window initSize=\"400,300\">" + element + "</Window>");
        return dynamic_cast<T*>(window->controlById(1));
    }

    int countEvents(int32_t code) {
        counters.push_back(0);
        window->controlById(1)->addHandler(
            code, &counters.back(),
            [](void* target, dui::Control*, dui::Event&) { ++*static_cast<int*>(target); });
        return static_cast<int>(counters.size() - 1);
    }

    void focus() {
        window->setFocusControl(window->controlById(1));
        pump();
    }
    void key(uint32_t virtualKey) {
        platform::headless::pressKey(virtualKey);
        pump();
    }
    void ctrl(uint32_t virtualKey) {
        platform::headless::keyDown(win32::VK_CONTROL);
        platform::headless::pressKey(virtualKey);
        platform::headless::keyUp(win32::VK_CONTROL);
        pump();
    }
    void type(std::u16string_view text) {
        platform::headless::typeText(text);
        pump();
    }
    std::u16string clipboard() {
        std::u16string text;
        platform::getClipboardText(text);
        return text;
    }

    std::deque<int> counters;
};

}  // namespace tamlo::test
