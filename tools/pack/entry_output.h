#pragma once

#include <functional>
#include <string>
#include <vector>

#include "resources/chunk_sink.h"

namespace tamlo::pack {

// Writes files below one folder without ever leaving it: every path segment is opened
// relative to its parent without following symbolic links.
class EntryOutput {
  public:
    EntryOutput() = default;
    ~EntryOutput();
    EntryOutput(const EntryOutput&) = delete;
    EntryOutput& operator=(const EntryOutput&) = delete;

    // Opens (creating when missing) the folder everything is written below.
    bool openRoot(const std::string& directory, std::string* error);

    // Creates the file `segments` (parents made as needed) and fills it through `fill`,
    // which is given a sink that writes to it. A file that could not be filled is removed.
    bool write(const std::vector<std::string>& segments,
               const std::function<bool(const ChunkSink&, std::string*)>& fill, std::string* error);

  private:
    int root_ = -1;
};

}  // namespace tamlo::pack
