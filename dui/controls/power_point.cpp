#include "dui/controls/power_point.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "dui/core/attribute_keys.h"
#include "dui/style/style_set.h"
#include "render/blit.h"
#include "render/canvas.h"
#include "render/cross_fade.h"

namespace tamlo::dui {
namespace {

constexpr uint32_t kConstructedIntervalMs = 100;

// The images named by the pieces of `list` between ";"s, in order; pieces that name no
// loadable image are left out.
std::vector<const render::Image*> loadableImages(const std::u16string& list) {
    std::vector<const render::Image*> images;
    StyleSet* styles = StyleSet::current();
    if (styles == nullptr) {
        return images;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = list.find(u';', start);
        const std::u16string_view piece = std::u16string_view(list).substr(
            start, end == std::u16string::npos ? std::u16string::npos : end - start);
        if (!piece.empty()) {
            if (const render::Image* image = styles->image(piece)) {
                images.push_back(image);
            }
        }
        if (end == std::u16string::npos) {
            return images;
        }
        start = end + 1;
    }
}

bool sameSize(const render::Bitmap& a, const render::Bitmap& b) {
    return a.width() == b.width() && a.height() == b.height();
}

}  // namespace

PowerPoint::PowerPointTimer::PowerPointTimer(PowerPoint& owner)
    : Timer(kConstructedIntervalMs), owner_(owner) {}

void PowerPoint::PowerPointTimer::setSlides(std::vector<const render::Image*> slides) {
    slides_ = std::move(slides);
    index_ = 0;
    counter_ = 0;
}

void PowerPoint::PowerPointTimer::onTimer() {
    if (slides_.empty()) {
        return;
    }
    if (counter_ >= kTicksPerSlide) {
        counter_ = 0;
        index_ = (index_ + 1) % static_cast<int32_t>(slides_.size());
    } else {
        ++counter_;
    }
    owner_.invalidate(false);
}

PowerPoint::PowerPoint() : timer_(*this) {
    addHandler(EventCode::Attached, this, &PowerPoint::onAttached);
}

PowerPoint::~PowerPoint() {
    // No tick may reach a half-destroyed control.
    timer_.stop();
}

void PowerPoint::onAttached(void* self, Control* sender, Event&) {
    auto* show = static_cast<PowerPoint*>(self);
    if (sender == show) {
        show->loadSlides();
    }
}

void PowerPoint::loadSlides() {
    timer_.setInterval(kLoadedIntervalMs);
    const std::u16string* list = findText(key::imagelist);
    timer_.setSlides(list != nullptr ? loadableImages(*list) : std::vector<const render::Image*>());
    // The blend target has the first slide's size; a failed allocation leaves it empty
    // and the show without fades.
    blend_.clear();
    if (!timer_.slides().empty()) {
        const render::Image& first = *timer_.slides().front();
        blend_.allocate(first.width(), first.height());
    }
}

void PowerPoint::playStart() {
    if (timer_.isRunning()) {
        return;
    }
    timer_.setTickCounter(kStartTick);
    timer_.start();
}

void PowerPoint::playStop() {
    timer_.stop();
    invalidate(false);
}

uint8_t PowerPoint::fadeWeight(int32_t tickCounter) {
    // The phase is formed in double precision, the sine and the rest in single precision.
    const double phase = tickCounter * 0.07853981742033447;
    const float sine = std::sin(static_cast<float>(phase) - 1.570796325f);
    const float weight = (sine + 1.0f) * 128.0f;
    return static_cast<uint8_t>(std::clamp(static_cast<int32_t>(weight), 0, 255));
}

const render::Bitmap* PowerPoint::currentFrame() {
    const std::vector<const render::Image*>& slides = timer_.slides();
    if (slides.empty()) {
        return nullptr;
    }
    const int32_t count = static_cast<int32_t>(slides.size());
    const int32_t index = timer_.slideIndex();
    const render::Bitmap& current = slides[index]->bitmap();
    const int32_t counter = timer_.tickCounter();
    if (!timer_.isRunning() || counter >= kFadeTicks) {
        return &current;
    }
    const render::Bitmap& previous = slides[(index + count - 1) % count]->bitmap();
    // The blend covers the first slide's size: a slide of another size shows unblended.
    if (blend_.isEmpty() || !sameSize(blend_, current) || !sameSize(blend_, previous)) {
        return &current;
    }
    return &render::crossFade(blend_, current, previous, fadeWeight(counter));
}

void PowerPoint::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    auto* canvas = dynamic_cast<render::Canvas*>(&context);
    if (canvas == nullptr) {
        return;
    }
    if (const render::Bitmap* frame = currentFrame()) {
        render::drawBitmap(*canvas, *frame, bounds.left, bounds.top);
    }
}

}  // namespace tamlo::dui
