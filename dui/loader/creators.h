#pragma once

namespace tamlo::dui::duiFactory {

// Makes one new object of one class, with its defaults.
template <class Base>
class Creator {
  public:
    virtual ~Creator() = default;
    virtual Base* create() const = 0;
};

template <class Base, class X>
class Creator_ : public Creator<Base> {
  public:
    Base* create() const override { return new X(); }
};

}  // namespace tamlo::dui::duiFactory
