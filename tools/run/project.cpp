#include "tools/run/project.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text_encoding.h"
#include "resources/bundle.h"
#include "resources/package_reader.h"

namespace tamlo::runtool {
namespace {

constexpr int32_t kLayoutPackageId = 113;
constexpr int32_t kStylePackageId = 116;

// Names come from documents: keep them inside their folder.
bool isPlainFileName(std::u16string_view name) {
    if (name.empty() || name == u"." || name == u"..") {
        return false;
    }
    for (char16_t c : name) {
        if (c == u'/' || c == u'\\' || c == u'\0') {
            return false;
        }
    }
    return true;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    bytes = contents.str();
    return true;
}

class FolderProject : public Project {
  public:
    explicit FolderProject(std::string root) : root_(std::move(root)) {}

    bool readLayout(std::u16string_view name, std::string& bytes) const override {
        return readFrom("frame", name, bytes);
    }
    bool readStyleFile(std::u16string_view name, std::string& bytes) const override {
        return readFrom("style", name, bytes);
    }

  private:
    bool readFrom(const char* folder, std::u16string_view name, std::string& bytes) const {
        if (!isPlainFileName(name)) {
            return false;
        }
        return readWholeFile(root_ + "/" + folder + "/" + utf16ToUtf8(name), bytes);
    }

    std::string root_;
};

class InstallerProject : public Project {
  public:
    explicit InstallerProject(std::unique_ptr<Bundle> bundle) : bundle_(std::move(bundle)) {
        layouts_ = readerFor(kLayoutPackageId);
        styles_ = readerFor(kStylePackageId);
    }

    bool readLayout(std::u16string_view name, std::string& bytes) const override {
        return extract(layouts_.get(), name, bytes);
    }
    bool readStyleFile(std::u16string_view name, std::string& bytes) const override {
        return extract(styles_.get(), name, bytes);
    }

  private:
    std::unique_ptr<PackageReader> readerFor(int32_t id) const {
        uint32_t size = 0;
        const uint8_t* data = bundle_->data(id, &size);
        if (data == nullptr) {
            return nullptr;
        }
        auto reader = std::make_unique<PackageReader>(data, size);
        return reader->damaged() ? nullptr : std::move(reader);
    }

    static bool extract(const PackageReader* reader, std::u16string_view name, std::string& bytes) {
        if (reader == nullptr) {
            return false;
        }
        int size = 0;
        uint8_t* data = reader->extract(name, &size);
        if (data == nullptr) {
            return false;
        }
        bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
        std::free(data);
        return true;
    }

    std::unique_ptr<Bundle> bundle_;
    std::unique_ptr<PackageReader> layouts_;
    std::unique_ptr<PackageReader> styles_;
};

}  // namespace

std::unique_ptr<Project> Project::open(const std::string& path, std::string* error) {
    std::error_code failure;
    const std::filesystem::file_status status = std::filesystem::status(path, failure);
    if (failure || !std::filesystem::exists(status)) {
        *error = "no such project or installer: " + path;
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        return std::make_unique<FolderProject>(path);
    }
    std::string why;
    std::unique_ptr<Bundle> bundle = Bundle::open(path, &why);
    if (bundle == nullptr) {
        *error = "not a project folder or an installer: " + path + " (" + why + ")";
        return nullptr;
    }
    return std::make_unique<InstallerProject>(std::move(bundle));
}

}  // namespace tamlo::runtool
