#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "resources/bundle.h"

namespace tamlo::test {

// Sets environment variables for the life of the object and restores them after.
// Child processes started meanwhile inherit them.
class ScopedEnv {
  public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();
    void set(const std::string& name, const std::string& value);
    void unset(const std::string& name);

  private:
    void remember(const std::string& name);
    std::map<std::string, std::optional<std::string>> saved_;
};

// The five embedded files of a small installer, as {id, content}.
std::vector<std::pair<int32_t, std::string>> sampleEmbeddedFiles();

// Writes `program` followed by the sample files as a bundle to `output`.
bool writeSampleInstaller(const std::string& program, const std::string& output, std::string* error,
                          uint32_t payloadFlags = 0);

// Flips one byte inside the embedded file `id` of the installer at `path`.
bool corruptEmbeddedFile(const std::string& path, int32_t id);

// btime 1700000000 as the 8 bytes of a restart marker.
std::string thisBootMarker();
std::string otherBootMarker();

// Points TAMLO_PROC_STAT at a file that reads btime 1700000000.
void useFixedBootTime(ScopedEnv& env);

}  // namespace tamlo::test
