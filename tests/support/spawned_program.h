#pragma once

#include <sys/types.h>

#include <string>

namespace tamlo::test {

// A copy of /bin/sleep placed at `path` (any name, e.g. "x.exe") and started by the test,
// so process tests only ever end processes they started themselves. The destructor kills
// and reaps it if it still runs.
class SpawnedProgram {
  public:
    explicit SpawnedProgram(const std::string& path);
    ~SpawnedProgram();
    SpawnedProgram(const SpawnedProgram&) = delete;
    SpawnedProgram& operator=(const SpawnedProgram&) = delete;

    pid_t pid() const { return pid_; }
    const std::string& path() const { return path_; }

    // True until the process has exited (a zombie counts as exited); never reaps it.
    bool running() const;
    // Reaps the process and tells whether it died of SIGKILL.
    bool diedOfKill();

  private:
    std::string path_;
    pid_t pid_ = -1;
    bool reaped_ = false;
};

}  // namespace tamlo::test
