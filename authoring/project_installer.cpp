#include "authoring/project_installer.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "authoring/bundle_writer.h"

namespace tamlo {

namespace fs = std::filesystem;

bool projectHasScripts(const std::string& project, std::string* error) {
    std::error_code failure;
    for (const char* script : {"UI.lua", "LG.lua"}) {
        if (!fs::is_regular_file(fs::path(project) / script, failure)) {
            *error = project + " has no " + script;
            return false;
        }
    }
    return true;
}

bool buildInstallerFromProject(const std::string& project, const std::string& scratch,
                               const PackageBuildOptions& options, const std::string& program,
                               const std::string& installer, std::string* error,
                               std::vector<std::string>* warnings) {
    if (!projectHasScripts(project, error)) {
        return false;
    }
    std::vector<std::string> notes;
    std::vector<BundleInput> files = {{111, (fs::path(project) / "UI.lua").string()},
                                      {114, (fs::path(project) / "LG.lua").string()}};
    const struct {
        int32_t id;
        const char* folder;
        const char* package;
    } packages[] = {
        {113, "frame", "frame.lz"}, {115, "program", "program.lz"}, {116, "style", "style.lz"}};
    std::error_code failure;
    for (const auto& item : packages) {
        const std::string source = (fs::path(project) / item.folder).string();
        const std::string output = scratch + "/" + item.package;
        if (!fs::is_directory(source, failure)) {
            *error = project + " has no folder " + item.folder;
            return false;
        }
        std::string why;
        std::vector<std::string> skipped;
        PackageBuildOptions chosen = options;
        chosen.solid = item.id == 115 && options.solidPayload;
        if (!buildPackageFromDirectory(source, output, chosen, &why, &skipped)) {
            *error = std::string(item.package) + ": " + why;
            return false;
        }
        for (const std::string& file : skipped) {
            notes.push_back(std::string(item.folder) + "/" + file + " was skipped");
        }
        files.push_back({item.id, output});
    }
    const fs::path fontList = fs::path(project) / "style" / "font.xml";
    if (!fs::is_regular_file(fontList, failure)) {
        notes.insert(
            notes.begin(),
            fontList.string() + " is missing: the installer will draw every text in no font");
    }
    if (warnings != nullptr) {
        *warnings = std::move(notes);
    }
    std::sort(files.begin(), files.end(),
              [](const BundleInput& a, const BundleInput& b) { return a.id < b.id; });
    return writeBundle(program, files, installer, error);
}

}  // namespace tamlo
