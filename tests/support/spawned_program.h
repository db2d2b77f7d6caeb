#pragma once

#include <string>

namespace tamlo::test {

// A long-sleeping program copied to `path` (any name, e.g. "x.exe") and started by the test,
// so process tests only ever end processes they started themselves: /bin/sleep on Linux, a
// copy of the test program in its sleeping mode on Windows. The destructor ends and collects
// it if it still runs.
class SpawnedProgram {
  public:
    explicit SpawnedProgram(const std::string& path);
    ~SpawnedProgram();
    SpawnedProgram(const SpawnedProgram&) = delete;
    SpawnedProgram& operator=(const SpawnedProgram&) = delete;

    int pid() const { return pid_; }
    const std::string& path() const { return path_; }

    // True until the process has exited (a zombie counts as exited); never collects it.
    bool running() const;
    // Waits for the process and tells whether the system's kill ended it (SIGKILL on Linux,
    // exit code -8 on Windows).
    bool diedOfKill();

  private:
    std::string path_;
    int pid_ = -1;
    bool reaped_ = false;
    void* process_ = nullptr;  // the process handle on Windows
};

}  // namespace tamlo::test
