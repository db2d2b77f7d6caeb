#pragma once

#include <cstdint>

#include "platform/windowing/drag_drop.h"

namespace tamlo {

// What a drag event carries to a control in wParam: the effect to answer with (null for a
// drop), the dragged data (null except for a drop) and the pointer in client coordinates.
struct DragInfo {
    uint32_t* effect = nullptr;
    const platform::DragPayload* data = nullptr;
    int32_t x = 0;
    int32_t y = 0;
};

constexpr uint32_t kDropEffectNone = 0;
constexpr uint32_t kDropEffectCopy = 1;

// Turns the desktop's drag callbacks for one window into the four operations below.
// A drag is followed only while the target accepts it: a refused enter makes the over,
// leave and drop that follow answer "no effect" without reaching the operations.
class CDropTarget {
  public:
    CDropTarget() = default;
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;

    // Installs the process-wide routing from platform drag events to the drop target of
    // the engine window under the pointer.
    static void installRouting();

    // One desktop callback; returns whether the copy effect is granted.
    bool handleDrag(platform::DragPhase phase, const DragInfo& where);
    bool isAccepting() const { return accepting_; }

  protected:
    ~CDropTarget() = default;

    virtual void onDragEnter(DragInfo& info) = 0;
    virtual void onDragOver(DragInfo& info) = 0;
    virtual void onDragLeave(DragInfo& info) = 0;
    virtual void onDrop(DragInfo& info) = 0;

  private:
    bool accepting_ = false;
};

}  // namespace tamlo
