-- The demo's uninstaller: asks, takes back what the install wrote (LG.lua, on a worker)
-- and says which files it kept. Unattended (`--silent`, or `/S` on Windows) it asks
-- nothing and writes one line per step on standard error. Exit status: 0 removed, 1 not
-- (declined, not installed, or failed); the engine removes this program's file on 0.

local UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvinex"

-- Notification codes shared with LG.lua.
local PROGRESS, DONE, FAILED = 1, 2, 4
local CONTINUE = 0

local silent = false
for _, arg in ipairs(getArguments()) do
    if arg == "--silent" or arg == "/S" then silent = true end
end

local journal = regQueryString(HKEY_CURRENT_USER, UNINSTALL_KEY, "JournalPath")
local installPath = regQueryString(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation") or ""
local workConfig = string.format("{ journal = %q }", journal or "")

local window = createWindow("uninstaller.xml")
if window == nil then
    print("demo: the layout uninstaller.xml is missing")
    setExitCode(1)
    return
end

-- Each kept path on a line of its own, with what it is.
local function keptLines(kept)
    local lines = {}
    for path in (kept or ""):gmatch("[^\n]+") do
        lines[#lines + 1] = path
    end
    return lines
end

if silent then
    local function say(text) io.stderr:write("orvinex: ", text, "\n") end
    if not journal then
        say("not installed")
        setExitCode(1)
        return
    end
    say("uninstalling " .. installPath)
    local failed = false
    window:setMessageHandler(function(text)
        local ok, message = pcall(load("return " .. text))
        if ok and type(message) == "table" and message.code == DONE then
            for _, path in ipairs(keptLines(message.kept)) do say("kept " .. path) end
            say("removed")
        elseif not ok or type(message) ~= "table" or message.code == FAILED then
            failed = true
            say("failed: " .. tostring(ok and type(message) == "table" and message.text or text))
        end
        return CONTINUE
    end)
    setWorkEndHandler(function(ok, err)
        if not ok then
            failed = true
            say("failed: " .. tostring(err))
        end
    end)
    startWork("LG.lua", "program.lz", workConfig)
    waitForWork()
    setExitCode(failed and 1 or 0)
    return
end

window:setTitle("卸载奥维克斯")
window:setIcon(128)
window:centerScreen()
local function control(id) return window:getChild(id) end
local pages = { confirm = control(1000), progress = control(3000), finish = control(4000),
                failure = control(5000) }
local where, bar, percent = control(302), control(503), control(504)
local finishNote, keptBox, failureNote = control(602), control(603), control(702)
local working = false

local function showPage(name)
    for page, panel in pairs(pages) do
        panel:setVisible(page == name)
    end
    window:getRoot():repaint()
end
local function onClick(id, handler)
    control(id):addHandler(event.Click, function() handler() return true end)
end

local function showFailure(text)
    working = false
    failureNote:setText(text)
    showPage("failure")
    setExitCode(1)
end

setExitCode(1)  -- until the uninstall is done
where:setText("安装位置：" .. installPath)
onClick(203, function() window:endDialog(2) end)
onClick(101, function()
    if not working then window:endDialog(2) end  -- an uninstall under way runs to its end
end)
onClick(601, function() window:endDialog(1) end)
onClick(701, function() window:endDialog(3) end)
onClick(202, function()
    if not journal then
        showFailure("找不到安装记录：奥维克斯没有安装。")
        return
    end
    working = true
    showPage("progress")
    bar:setRange(100)
    bar:setPosition(0)
    startWork("LG.lua", "program.lz", workConfig)
end)
setWorkEndHandler(function(ok, err)
    if not ok then showFailure(tostring(err)) end
end)

window:setMessageHandler(function(text)
    local ok, message = pcall(load("return " .. text))
    if not ok or type(message) ~= "table" then
        return CONTINUE
    end
    if message.code == PROGRESS and message.total and message.total > 0 then
        bar:setRange(message.total)
        bar:setPosition(message.done)
        percent:setText(string.format("%d%%", math.floor(message.done * 100 / message.total)))
    elseif message.code == DONE then
        working = false
        local kept = keptLines(message.kept)
        for _, path in ipairs(kept) do print("demo: kept " .. path) end
        if #kept > 0 then
            finishNote:setText("以下内容包含您的文件，已保留：")
            keptBox:setText(table.concat(kept, "\n"))
        end
        setExitCode(0)
        showPage("finish")
    elseif message.code == FAILED then
        showFailure(message.text or "卸载失败。")
    end
    return CONTINUE
end)

showPage("confirm")
local result = window:showDialog()
print("demo: the dialog ended with " .. tostring(result))
