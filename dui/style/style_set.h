#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dui/core/drawing.h"
#include "dui/style/style.h"
#include "render/font.h"
#include "render/image_cache.h"

namespace tamlo::dui {

// The skins of the running program: named fonts from "font.xml", decoded images and
// style documents, all read from one style package (or, for tools, from a folder).
// Styles, images and fonts are made once and shared by every control.
class StyleSet : public StyleLookup {
  public:
    // Fills `bytes` with the named entry; false when there is no such entry.
    using EntryReader =
        std::function<bool(const std::u16string& name, std::vector<uint8_t>& bytes)>;

    StyleSet();
    ~StyleSet() override;
    StyleSet(const StyleSet&) = delete;
    StyleSet& operator=(const StyleSet&) = delete;

    // Clears everything, then reads `packageName` whole through the global file system
    // and builds the fonts from its "font.xml". False when the package cannot be read
    // or is damaged (the set then stays empty).
    bool loadStylePackage(const std::u16string& packageName);
    // Clears everything and takes entries from `reader` instead of a package.
    void loadFromReader(EntryReader reader);

    // The style of a document entry, loaded on first use; null when the entry is missing
    // or not well-formed (neither is remembered).
    Style* getStyle(std::u16string_view name);
    // Null for a font name not in "font.xml".
    const render::Font* getFont(std::u16string_view name) const;
    // Null when the image file is missing.
    const render::Image* image(std::u16string_view name);
    render::ImageCache& images() { return images_; }

    // Makes this set the one the paint walk and the styles use.
    void install();
    // The installed set, or null.
    static StyleSet* current();

    // StyleLookup
    bool drawStyle(std::u16string_view name, DrawingContext& context, const Rect& bounds,
                   Control& control) override;

  private:
    void clear();
    // False also for an entry that decodes to more than `maxSize` bytes (refused unread,
    // with a debug line).
    bool readEntry(const std::u16string& name, std::vector<uint8_t>& bytes, size_t maxSize) const;
    void loadFonts();

    struct Package;
    std::unique_ptr<Package> package_;
    EntryReader reader_;
    std::map<std::u16string, std::unique_ptr<render::Font>, std::less<>> fonts_;
    render::ImageCache images_;
    std::map<std::u16string, std::unique_ptr<Style>, std::less<>> styles_;
};

// Builds one style from a style document: the type is the first attribute's value of the
// root's first child element, and that element's first child carries the attributes. A
// document without those parts gives a plain Style without attributes; text that is not
// well-formed gives null, with a debug line naming `fileName`.
std::unique_ptr<Style> createStyle(std::string_view utf8Document,
                                   std::u16string_view fileName = u"style");

// More named fonts than any real skin has; "font.xml" entries past it are skipped.
constexpr std::size_t kMaxFonts = 1024;

// Reads the fonts of a "font.xml" document into `fonts` (later names replace earlier ones;
// entries without a name are skipped, and so are new names once kMaxFonts are held).
void readFontList(std::string_view utf8Document,
                  std::map<std::u16string, std::unique_ptr<render::Font>, std::less<>>& fonts);

}  // namespace tamlo::dui
