#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tamlo::check {

// What a project (or a built installer) holds, as its author names it: documents by
// their project path ("frame/main.xml", "style/button.xml", "UI.lua"), every file name of
// frame/ and style/, and the payload's entry names ("bin/my").
struct ProjectFiles {
    std::map<std::string, std::string> documents;  // XML documents and Lua scripts
    std::set<std::string> layoutFiles;             // names in frame/
    std::set<std::string> styleFiles;              // names in style/
    std::set<std::string> payload;                 // entries of program/
};

// A project folder or an installer; false with `error` set when it is neither.
bool loadProjectFiles(const std::string& path, ProjectFiles& files, std::string* error);

// One mistake: where (1-based line and column, in characters) and what.
struct Finding {
    std::string file;
    int line = 1;
    int column = 1;
    bool error = true;
    std::string text;
};

// Every mistake found, ordered by file, line and column.
std::vector<Finding> checkProject(const ProjectFiles& files);

// "FILE:LINE:COLUMN: error: text" (or "warning").
std::string formatFinding(const Finding& finding);

// Checks the project or installer at `path` and prints each finding on `out`; the number
// of errors, or -1 when `path` cannot be read (`error` says why).
int checkAndPrint(const std::string& path, std::FILE* out, std::string* error);

}  // namespace tamlo::check
