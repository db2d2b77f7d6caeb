#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tamlo::runtool {

// One line of a steps file that drives `tamlo-run show`.
struct ShowStep {
    enum class Kind {
        Move,
        Down,
        Up,
        Click,
        ClickControl,
        RightClick,
        DoubleClick,
        Wheel,
        Key,
        Type,
        Wait,
        Screenshot,
        Expect,
        ExpectSelected,  // id: a list or combo box, x: the selected row (-1 none)
        Pick,            // x: a row of the open drop-down, clicked
        Close,
        // Text input (both runners):
        SetClipboard,     // text: what the clipboard holds now
        ExpectClipboard,  // text: what it must hold
        Compose,          // text: an input method's pre-edit in the focus window
        Commit,           // text: committed (empty: the pre-edit)
        ExpectText,       // id, text: a TextBox's or Edit's content
        // Only in `tamlo-run run`:
        WaitFor,         // a control's flag, with a time limit in x (milliseconds)
        WaitForNotify,   // id: that many worker notifications seen, time limit in x
        WaitForEnd,      // the installer has ended and its workers too
        Hold,            // keeps the UI running x ms without answering the worker
        AnswerBox,       // the next message box gets x
        AnswerFolder,    // the next folder picker gets text (empty: cancelled)
        ExpectFile,      // text: a path under the prefix exists as a file
        ExpectNoFile,    // ... does not exist
        ExpectRegistry,  // text: ROOT\KEY, name: value name, value: its text or number
        ExpectNoRegistry
    };
    Kind kind = Kind::Close;
    int line = 0;
    std::string source;  // the line as written, for messages
    int32_t x = 0;       // client coordinates, notches, milliseconds
    int32_t y = 0;
    int32_t id = 0;              // #ID of click and expect
    std::vector<uint32_t> keys;  // modifiers first, then the key
    std::string text;            // type text, screenshot name
    bool ofDropDown = false;     // screenshot: the open drop-down rather than the window
    uint32_t flagMask = 0;       // expect
    bool flagOn = false;
    std::string name;   // expect reg: the value name
    std::string value;  // expect reg: the value
};

// Parses a whole steps file. False with `error` naming the line on a malformed step.
// `runSteps` also admits the steps of a whole run (waitfor, answer, expect file/reg).
bool parseShowSteps(const std::string& content, std::vector<ShowStep>& steps, std::string* error,
                    bool runSteps = false);

// The default time limit of `waitfor`.
constexpr int32_t kDefaultWaitForMs = 60000;

// A virtual-key name (RETURN, TAB, A, F5, CTRL+A...) as key codes, modifiers first.
bool parseKeyName(const std::string& name, std::vector<uint32_t>& keys);

}  // namespace tamlo::runtool
