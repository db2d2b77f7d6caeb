#include "window/paint_entry.h"

#include "dui/style/style_set.h"

namespace tamlo::render {

void paintArea(Canvas& canvas, dui::Control& root, const Rect& area) {
    if (area.right <= area.left || area.bottom <= area.top) {
        return;
    }
    canvas.save();
    canvas.clipTo(area);
    if (dui::StyleSet* styles = dui::StyleSet::current()) {
        canvas.selectFont(styles->getFont(u"Default"));
    }
    root.paint(canvas, root.rect(), area);
    canvas.restore();
}

}  // namespace tamlo::render
