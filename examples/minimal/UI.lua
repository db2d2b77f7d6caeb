-- The dialog: runs on the UI thread. docs/scripting.md lists every function used here.

local window = createWindow("main.xml")         -- frame/main.xml, hidden until shown
local bar = window:getChild(10)                 -- controls by their id="" attribute
local button = window:getChild(11)
local label = window:getChild(12)
local done = false                              -- set when the worker has finished

bar:setRange(1)                                 -- one file: the bar is full at 1

button:addHandler(event.Click, function()       -- the button was clicked
    if done then
        window:endDialog(1)                     -- ends showDialog; 0 would not
        return
    end
    button:setEnabled(false)                    -- one installation at a time
    local target = getAppDataFolder() .. "/Minimal App"
    -- LG.lua runs on a worker thread; it sees this table as `config`.
    startWork("LG.lua", "program.lz", string.format("{ target = %q }", target))
end)

window:setMessageHandler(function(text)         -- one call per notifyMessage of LG.lua
    local message = load("return " .. text)()   -- the worker sends a Lua table as text
    bar:setPosition(message.done)               -- fill the bar
    if message.finished then
        done = true
        label:setText("Installed: see readme.txt in Minimal App.")
        button:setText("Close")
        button:setEnabled(true)
    end
    return 0                                    -- what notifyMessage returns in LG.lua
end)

window:centerScreen()                           -- place it, then
window:showDialog()                             -- show it and run until endDialog
