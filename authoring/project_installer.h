#pragma once

#include <string>
#include <vector>

#include "authoring/package_builder.h"

namespace tamlo {

// A project folder holds UI.lua, LG.lua and the folders frame/, program/ and style/. True
// when the two scripts are there; otherwise `error` names the one missing.
bool projectHasScripts(const std::string& project, std::string* error);

// True for a Windows engine (a PE file starts with "MZ").
bool isWindowsProgram(const std::string& program);

// The payload entry an installer built on `program` carries its uninstaller as:
// "uninstall.exe" for a Windows engine, else "uninstall".
std::string uninstallerEntryName(const std::string& program);

// Packs the project into an installer: `program`'s bytes followed by the five embedded
// files, written to `installer`. The three packages are built in `scratch` first, with
// `options`. False with a one-line reason. `warnings` (when given) receives one line for
// each thing the installer will lack although it builds: a missing "style/font.xml" (every
// text would be drawn in no font) and each file of the folders that was skipped.
// A project's "uninstall" folder (UI.lua, LG.lua, frame/, style/, no payload; its frame/
// and style/ files join the project's, which it shares) becomes an uninstaller on the same engine,
// carried in the payload as uninstallerEntryName(program).
bool buildInstallerFromProject(const std::string& project, const std::string& scratch,
                               const PackageBuildOptions& options, const std::string& program,
                               const std::string& installer, std::string* error,
                               std::vector<std::string>* warnings = nullptr);

}  // namespace tamlo
