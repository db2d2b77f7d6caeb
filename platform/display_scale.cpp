#include "platform/display_scale.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace tamlo {
namespace {

std::atomic<double> currentTextScale{1.0};

}  // namespace

std::optional<double> parseDisplayScale(std::string_view text) {
    std::string number(text);
    double divisor = 1.0;
    if (!number.empty() && number.back() == '%') {
        number.pop_back();
        divisor = 100.0;
    } else if (!number.empty() && (number.back() == 'x' || number.back() == 'X')) {
        number.pop_back();
    }
    if (number.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end) / divisor;
    if (end != number.c_str() + number.size() || !(value >= kMinDisplayScale) ||
        !(value <= kMaxDisplayScale)) {
        return std::nullopt;
    }
    return value;
}

double fontResolutionFactor(double dotsPerInch) {
    if (!(dotsPerInch > 0.0)) {
        return 1.0;
    }
    return std::clamp(dotsPerInch / 96.0, kMinDisplayScale, kMaxDisplayScale);
}

double textScale() {
    return currentTextScale.load(std::memory_order_relaxed);
}

void setTextScale(double factor) {
    currentTextScale.store(factor, std::memory_order_relaxed);
}

}  // namespace tamlo
