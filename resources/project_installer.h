#pragma once

#include <string>

#include "resources/package_builder.h"

namespace tamlo {

// A project folder holds UI.lua, LG.lua and the folders frame/, program/ and style/. True
// when the two scripts are there; otherwise `error` names the one missing.
bool projectHasScripts(const std::string& project, std::string* error);

// Packs the project into an installer: `program`'s bytes followed by the five embedded
// files, written to `installer`. The three packages are built in `scratch` first, with
// `options`. False with a one-line reason.
bool buildInstallerFromProject(const std::string& project, const std::string& scratch,
                               const PackageBuildOptions& options, const std::string& program,
                               const std::string& installer, std::string* error);

}  // namespace tamlo
