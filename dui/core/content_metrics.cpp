#include "dui/core/content_metrics.h"

namespace tamlo::dui {
namespace {
ContentMetrics* gMetrics = nullptr;
}  // namespace

ContentMetrics* setContentMetrics(ContentMetrics* metrics) {
    ContentMetrics* previous = gMetrics;
    gMetrics = metrics;
    return previous;
}

ContentMetrics* contentMetrics() {
    return gMetrics;
}

}  // namespace tamlo::dui
