#pragma once

#include <string>

#include "script/script_host_fixture.h"

namespace tamlo::test {

// The script host with every engine binding (createWindow, the control and window
// methods, startWork) and layouts served from memory: "page.xml" has a panel with two
// buttons, a progress bar and a check box; "proxywindow.xml" is the shadow.
class BindingsTest : public ScriptHostTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Pumps the UI queue in real time until every worker has ended (false after 10 s).
    bool waitForWorkers();

    // Packs `entries` (name, bytes) into "program.lz" of the in-memory file system.
    void setPayload(const std::vector<std::pair<std::u16string, std::string>>& entries);

    std::string scratch;  // a folder of this test's own
};

}  // namespace tamlo::test
