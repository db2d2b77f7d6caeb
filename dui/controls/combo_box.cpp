#include "dui/controls/combo_box.h"

#include "dui/controls/list_box.h"
#include "dui/core/content_metrics.h"
#include "dui/core/drawing.h"

namespace tamlo::dui {
namespace {

ComboBox::DropDownFactory& factory() {
    static ComboBox::DropDownFactory installed = nullptr;
    return installed;
}

// The list of a combo box outside any window: kept, never shown.
class DetachedDropDown : public ComboBox::DropDown {
  public:
    DetachedDropDown() : list_(new ListBox()) {
        list_->setInt(key::itemHeight, ComboBox::kRowHeight);
    }
    ~DetachedDropDown() override { delete list_; }
    ListBox* list() override { return list_; }
    void open() override {}
    void ownerGone() override { delete this; }
    bool isOpen() const override { return false; }

  private:
    ListBox* list_;
};

}  // namespace

void ComboBox::setDropDownFactory(DropDownFactory installed) {
    factory() = installed;
}

ComboBox::ComboBox() {
    setFlags(ControlFlag::RepaintOnMouse | ControlFlag::ClearFocusOnPress, true);
    addHandler(EventCode::LButtonDown, this, &ComboBox::onLButtonDown);
}

ComboBox::~ComboBox() {
    if (DropDown* doomed = dropDown_) {
        dropDown_ = nullptr;
        doomed->ownerGone();
    }
}

ComboBox::DropDown* ComboBox::dropDown() {
    if (dropDown_ == nullptr) {
        DropDownFactory make = factory();
        dropDown_ = make != nullptr ? make(*this) : nullptr;
        if (dropDown_ == nullptr) {
            dropDown_ = new DetachedDropDown();
        }
    }
    return dropDown_;
}

ListBox* ComboBox::list() {
    return dropDown()->list();
}

void ComboBox::dropDownGone(DropDown* gone) {
    if (dropDown_ == gone) {
        dropDown_ = nullptr;
    }
}

void ComboBox::choose(const std::u16string& text) {
    const std::u16string* current = findText(key::text);
    if (current != nullptr ? *current == text : text.empty()) {
        return;
    }
    setText(key::text, text);
    invalidate(false);
    raiseEvent(EventCode::ValueChange, Direct);
}

bool ComboBox::setSelectedIndex(int32_t index) {
    ListBox* choices = list();
    if (index >= choices->itemCount()) {
        return false;
    }
    choices->setSelectedIndex(index < 0 ? -1 : index, false);
    setText(key::text, choices->selectedText());
    invalidate(false);
    return true;
}

int32_t ComboBox::selectedIndex() {
    ListBox* choices = list();
    return choices->selectedIndex();
}

void ComboBox::onLButtonDown(void* self, Control*, Event& event) {
    auto* combo = static_cast<ComboBox*>(self);
    event.handled = 1;
    // Returns when the list closes; the combo box may be gone by then.
    combo->dropDown()->open();
}

std::u16string ComboBox::styleName() const {
    const std::u16string* own = findText(key::style);
    ContentMetrics* metrics = contentMetrics();
    if (own != nullptr && metrics != nullptr && metrics->styleExists(*own)) {
        return *own;
    }
    return u"combobox.xml";
}

void ComboBox::paint(DrawingContext& context, const Rect& bounds, const Rect&) {
    if (StyleLookup* lookup = styleLookup()) {
        const std::u16string style = styleName();
        lookup->drawStyle(style, context, bounds, *this);
    }
}

}  // namespace tamlo::dui
