#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/text_encoding.h"
#include "resources/bundle.h"
#include "resources/package_reader.h"
#include "tools/check/project_check.h"

namespace tamlo::check {
namespace {

namespace fs = std::filesystem;

// Bundle file ids: the scripts and the three packages.
constexpr int32_t kUiScriptId = 111;
constexpr int32_t kLayoutPackageId = 113;
constexpr int32_t kWorkScriptId = 114;
constexpr int32_t kPayloadPackageId = 115;
constexpr int32_t kStylePackageId = 116;

bool endsWith(const std::string& text, const char* suffix) {
    const std::string tail(suffix);
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool readWholeFile(const fs::path& path, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    bytes = contents.str();
    return true;
}

// The files of one folder of the project, documents read.
void readFolder(const fs::path& root, const char* folder, std::set<std::string>& names,
                std::map<std::string, std::string>& documents) {
    std::error_code failure;
    for (fs::directory_iterator it(root / folder, failure), end; !failure && it != end;
         it.increment(failure)) {
        if (!it->is_regular_file(failure)) {
            continue;
        }
        const std::string name = it->path().filename().u8string();
        names.insert(name);
        std::string bytes;
        if (endsWith(name, ".xml") && readWholeFile(it->path(), bytes)) {
            documents[std::string(folder) + "/" + name] = std::move(bytes);
        }
    }
}

void readScripts(const fs::path& root, const fs::path& folder,
                 std::map<std::string, std::string>& documents) {
    std::error_code failure;
    for (fs::directory_iterator it(root / folder, failure), end; !failure && it != end;
         it.increment(failure)) {
        const std::string name = it->path().filename().u8string();
        std::string bytes;
        if (it->is_regular_file(failure) && endsWith(name, ".lua") &&
            readWholeFile(it->path(), bytes)) {
            documents[(folder / name).generic_u8string()] = std::move(bytes);
        }
    }
}

bool loadFolder(const fs::path& root, ProjectFiles& files) {
    readFolder(root, "frame", files.layoutFiles, files.documents);
    readFolder(root, "style", files.styleFiles, files.documents);
    readScripts(root, ".", files.documents);
    readScripts(root, "uninstall", files.documents);
    // The uninstaller's own layouts and styles join the project's, which it shares.
    readFolder(root / "uninstall", "frame", files.layoutFiles, files.documents);
    readFolder(root / "uninstall", "style", files.styleFiles, files.documents);
    // "./UI.lua" reads as "UI.lua".
    std::map<std::string, std::string> named;
    for (auto& [name, bytes] : files.documents) {
        named[name.rfind("./", 0) == 0 ? name.substr(2) : name] = std::move(bytes);
    }
    files.documents = std::move(named);
    std::error_code failure;
    const fs::path program = root / "program";
    for (fs::recursive_directory_iterator it(program, failure), end; !failure && it != end;
         it.increment(failure)) {
        if (it->is_regular_file(failure)) {
            files.payload.insert(it->path().lexically_relative(program).generic_u8string());
        }
    }
    return true;
}

void readPackage(const Bundle& bundle, int32_t id, const char* folder, std::set<std::string>& names,
                 std::map<std::string, std::string>* documents) {
    uint32_t size = 0;
    const uint8_t* data = bundle.data(id, &size);
    if (data == nullptr) {
        return;
    }
    PackageReader reader(data, size);
    if (reader.damaged()) {
        return;
    }
    for (const PackageEntry& entry : reader.entries()) {
        const std::string name = utf16ToUtf8(entry.name);
        names.insert(name);
        if (documents == nullptr || !endsWith(name, ".xml")) {
            continue;
        }
        int length = 0;
        uint8_t* bytes = reader.extract(entry.name, &length);
        if (bytes != nullptr) {
            (*documents)[std::string(folder) + "/" + name].assign(
                reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
            std::free(bytes);
        }
    }
}

bool loadInstaller(const std::string& path, ProjectFiles& files, std::string* error) {
    std::string why;
    std::unique_ptr<Bundle> bundle = Bundle::open(path, &why);
    if (bundle == nullptr) {
        *error = "not a project folder or an installer: " + path + " (" + why + ")";
        return false;
    }
    for (const auto& [id, name] : {std::pair<int32_t, const char*>{kUiScriptId, "UI.lua"},
                                   std::pair<int32_t, const char*>{kWorkScriptId, "LG.lua"}}) {
        uint32_t size = 0;
        if (const uint8_t* data = bundle->data(id, &size)) {
            files.documents[name].assign(reinterpret_cast<const char*>(data), size);
        }
    }
    readPackage(*bundle, kLayoutPackageId, "frame", files.layoutFiles, &files.documents);
    readPackage(*bundle, kStylePackageId, "style", files.styleFiles, &files.documents);
    readPackage(*bundle, kPayloadPackageId, "program", files.payload, nullptr);
    return true;
}

}  // namespace

bool loadProjectFiles(const std::string& path, ProjectFiles& files, std::string* error) {
    std::error_code failure;
    const fs::path root = fs::u8path(path);
    if (!fs::exists(root, failure)) {
        *error = "no such project or installer: " + path;
        return false;
    }
    return fs::is_directory(root, failure) ? loadFolder(root, files)
                                           : loadInstaller(path, files, error);
}

}  // namespace tamlo::check
