#pragma once

#include <string>
#include <vector>

// How an uninstaller gets rid of its own file. The engine passes its running program and
// the temporary folder; tests pass files and folders of their own.
namespace tamlo::os {

// Windows: a program cannot delete the file it runs from, nor the folder holding it. When
// `program` does not already lie in `folder`, it is copied there (a name of its own, same
// extension) and the copy is started with `arguments`; true when the copy runs, and the
// caller then ends. Elsewhere false: a running program's file can simply go.
bool restartFromCopyIn(const std::string& program, const std::string& folder,
                       const std::vector<std::string>& arguments, std::string* copyPath);

// True where a running program's file can be removed (POSIX), false on Windows.
bool programFileCanGoWhileRunning();

// Removes `program`: at once where a running program's file can go (POSIX), otherwise
// registered for removal at the next reboot (Windows, MOVEFILE_DELAY_UNTIL_REBOOT). A file
// already gone counts as removed.
bool removeProgramFile(const std::string& program);

}  // namespace tamlo::os
