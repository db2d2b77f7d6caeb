#include "authoring/project_installer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "authoring/bundle_writer.h"
#include "resources/bundle_format.h"

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

bool isWindowsProgram(const std::string& program) {
    char magic[2] = {};
    FILE* file = std::fopen(program.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    const bool read = std::fread(magic, 1, 2, file) == 2;
    std::fclose(file);
    return read && magic[0] == 'M' && magic[1] == 'Z';
}

std::string uninstallerEntryName(const std::string& program) {
    return isWindowsProgram(program) ? "uninstall.exe" : "uninstall";
}

namespace {

struct BundleSources {
    std::string scripts;  // UI.lua and LG.lua
    std::string frame, program, style;
    uint32_t payloadFlags = 0;
    // An uninstaller's own frame/ and style/: their files join the project's, and win.
    std::string ownFrame, ownStyle;
};

// The files of `folder` as extra entries; nothing for a missing folder.
bool ownEntries(const std::string& folder,
                std::vector<std::pair<std::string, std::string>>* entries, std::string* error) {
    entries->clear();
    std::error_code failure;
    if (folder.empty() || !fs::is_directory(folder, failure)) {
        return true;
    }
    std::vector<std::string> names;
    if (!listPackageSources(folder, &names, error)) {
        return false;
    }
    for (const std::string& name : names) {
        entries->emplace_back(name, folder + "/" + name);
    }
    return true;
}

bool buildBundle(const BundleSources& sources, const std::string& scratch,
                 const PackageBuildOptions& options, const std::string& program,
                 const std::string& output, std::string* error, std::vector<std::string>* notes) {
    std::vector<BundleInput> files = {{111, (fs::path(sources.scripts) / "UI.lua").string()},
                                      {114, (fs::path(sources.scripts) / "LG.lua").string()}};
    const struct {
        int32_t id;
        const std::string& folder;
        const char* package;
    } packages[] = {{113, sources.frame, "frame.lz"},
                    {115, sources.program, "program.lz"},
                    {116, sources.style, "style.lz"}};
    std::error_code failure;
    for (const auto& item : packages) {
        const std::string output = scratch + "/" + item.package;
        const std::string name = fs::path(item.folder).filename().string();
        if (!fs::is_directory(item.folder, failure)) {
            *error = sources.scripts + " has no folder " + name;
            return false;
        }
        std::string why;
        std::vector<std::string> skipped;
        PackageBuildOptions chosen = options;
        chosen.solid = item.id == 115 && options.solidPayload;
        if (item.id != 115 && !ownEntries(item.id == 113 ? sources.ownFrame : sources.ownStyle,
                                          &chosen.extraEntries, error)) {
            return false;
        }
        if (!buildPackageFromDirectory(item.folder, output, chosen, &why, &skipped)) {
            *error = std::string(item.package) + ": " + why;
            return false;
        }
        for (const std::string& file : skipped) {
            notes->push_back(name + "/" + file + " was skipped");
        }
        files.push_back({item.id, output, item.id == 115 ? sources.payloadFlags : 0u});
    }
    const fs::path fontList = fs::path(sources.style) / "font.xml";
    if (!fs::is_regular_file(fontList, failure)) {
        notes->insert(
            notes->begin(),
            fontList.string() + " is missing: the installer will draw every text in no font");
    }
    std::sort(files.begin(), files.end(),
              [](const BundleInput& a, const BundleInput& b) { return a.id < b.id; });
    return writeBundle(program, files, output, error);
}

// The uninstaller of `project` into scratch/uninstaller/, when the project has one.
bool buildUninstaller(const std::string& project, const std::string& scratch,
                      const PackageBuildOptions& options, const std::string& program,
                      std::string* uninstaller, std::string* error,
                      std::vector<std::string>* notes) {
    uninstaller->clear();
    const fs::path folder = fs::path(project) / "uninstall";
    std::error_code failure;
    if (!fs::is_directory(folder, failure)) {
        return true;
    }
    if (!projectHasScripts(folder.string(), error)) {
        return false;
    }
    const fs::path work = fs::path(scratch) / "uninstaller";
    const fs::path payload = work / "program";
    fs::create_directories(payload, failure);
    if (failure) {
        *error = "cannot create " + payload.string();
        return false;
    }
    const fs::path root(project);
    BundleSources sources{folder.string(),
                          (root / "frame").string(),
                          payload.string(),
                          (root / "style").string(),
                          bundle::kUninstallerFlag,
                          (folder / "frame").string(),
                          (folder / "style").string()};
    PackageBuildOptions chosen = options;
    chosen.extraEntries.clear();
    *uninstaller = (work / uninstallerEntryName(program)).string();
    std::vector<std::string> own;
    if (!buildBundle(sources, work.string(), chosen, program, *uninstaller, error, &own)) {
        *error = "uninstall: " + *error;
        return false;
    }
    for (const std::string& note : own) {
        notes->push_back("uninstall: " + note);
    }
    return true;
}

}  // namespace

bool buildInstallerFromProject(const std::string& project, const std::string& scratch,
                               const PackageBuildOptions& options, const std::string& program,
                               const std::string& installer, std::string* error,
                               std::vector<std::string>* warnings) {
    if (!projectHasScripts(project, error)) {
        return false;
    }
    std::vector<std::string> notes;
    std::string uninstaller;
    if (!buildUninstaller(project, scratch, options, program, &uninstaller, error, &notes)) {
        return false;
    }
    PackageBuildOptions chosen = options;
    if (!uninstaller.empty()) {
        chosen.extraEntries.emplace_back(uninstallerEntryName(program), uninstaller);
    }
    const fs::path root(project);
    BundleSources sources;
    sources.scripts = project;
    sources.frame = (root / "frame").string();
    sources.program = (root / "program").string();
    sources.style = (root / "style").string();
    std::vector<std::string> own;
    if (!buildBundle(sources, scratch, chosen, program, installer, error, &own)) {
        return false;
    }
    notes.insert(notes.begin(), own.begin(), own.end());
    if (warnings != nullptr) {
        *warnings = std::move(notes);
    }
    return true;
}

}  // namespace tamlo
