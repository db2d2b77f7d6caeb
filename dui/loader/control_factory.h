#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dui/core/control.h"
#include "dui/loader/creators.h"
#include "dui/style/style.h"

namespace tamlo::dui {

// Name (exact, case-sensitive) -> creator of one class. A name is entered once.
template <class Base>
class NamedFactory {
  public:
    // A new object, or null for an unknown name.
    Base* create(std::u16string_view name) const {
        auto found = creators_.find(name);
        return found == creators_.end() ? nullptr : found->second->create();
    }
    bool knows(std::u16string_view name) const { return creators_.count(name) != 0; }
    std::size_t size() const { return creators_.size(); }
    // Every name entered, in name order (the reference and the project checker list them).
    std::vector<std::u16string> names() const {
        std::vector<std::u16string> result;
        for (const auto& entry : creators_) {
            result.push_back(entry.first);
        }
        return result;
    }

  protected:
    template <class X>
    void add(const char16_t* name) {
        creators_.emplace(name, std::make_unique<duiFactory::Creator_<Base, X>>());
    }

  private:
    std::map<std::u16string, std::unique_ptr<duiFactory::Creator<Base>>, std::less<>> creators_;
};

// Element name -> control class. "Window" builds a Grid, "Image" a Drawing.
class ControlFactory : public NamedFactory<Control> {
  public:
    ControlFactory();
};

// Style type name -> style class.
class StyleFactory : public NamedFactory<Style> {
  public:
    StyleFactory();
};

}  // namespace tamlo::dui
