#pragma once

#include <functional>
#include <string>
#include <vector>

#include <cstddef>
#include <cstdint>

namespace tamlo::files {

// Receives a file's bytes piece by piece; false stops the writing.
using ChunkWriter = std::function<bool(const uint8_t* data, size_t size)>;

// Writes files below one folder without ever leaving it: every path segment is opened
// relative to its parent without following symbolic links.
class ContainedFolder {
  public:
    ContainedFolder() = default;
    ~ContainedFolder();
    ContainedFolder(const ContainedFolder&) = delete;
    ContainedFolder& operator=(const ContainedFolder&) = delete;

    // Opens (creating when missing) the folder everything is written below.
    bool openRoot(const std::string& directory, std::string* error);

    // Creates the file `segments` (parents made as needed) and fills it through `fill`,
    // which is given a sink that writes to it. The file replaces what the path held only
    // once filled; one that could not be filled is removed and the path keeps its file.
    // An executable file gets the execute permission the umask allows (where files have one).
    bool write(const std::vector<std::string>& segments,
               const std::function<bool(const ChunkWriter&, std::string*)>& fill,
               std::string* error, bool executable = false);

  private:
    int root_ = -1;
};

}  // namespace tamlo::files
