#include "window/caret.h"

#include <utility>

#include "platform/windowing/native_window.h"

namespace tamlo {

Caret::BlinkTimer::BlinkTimer(Caret& caret) : Timer(platform::caretBlinkTime()), caret_(caret) {}

void Caret::BlinkTimer::onTimer() {
    caret_.blink();
}

Caret::Caret(Invalidate invalidate) : invalidate_(std::move(invalidate)), timer_(*this) {}

Rect Caret::rect() const {
    return Rect{x_, y_, x_ + width_, y_ + height_};
}

void Caret::setSize(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
}

void Caret::show(int32_t x, int32_t y) {
    if (phase_ == 1) {
        invalidate();  // where it was drawn
    }
    x_ = x;
    y_ = y;
    phase_ = 1;
    invalidate();
    timer_.start();
}

void Caret::hide() {
    phase_ = 0;
    invalidate();
    timer_.stop();
}

void Caret::blink() {
    phase_ = phase_ == 0 ? 1 : 0;
    invalidate();
}

}  // namespace tamlo
