#pragma once

#include <windows.h>

#include <string>

#include "support/os_contract.h"

namespace tamlo::test {

// A fresh folder below the temporary folder, deleted with everything in it at the end.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // UTF-8, without a trailing '\'.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  private:
    std::string path_;
};

// Sets an environment variable for the scope; the old value (or none) comes back after.
// An empty value unsets it for the C runtime.
class ScopedVariable {
  public:
    ScopedVariable(const wchar_t* name, const std::string& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    void setBoth(const wchar_t* value);

    std::wstring name_;
    bool hadValue_ = false;
    std::wstring oldValue_;
};

bool writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);

}  // namespace tamlo::test
