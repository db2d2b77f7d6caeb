-- The demo installer's dialog. It runs on the UI thread: it builds the window, moves
-- between the four pages, starts the installation script (LG.lua) on a worker thread and
-- answers that script's notifications.

local PRODUCT = "奥维克斯"
local VERSION = "2.4.0"

-- Notification codes shared with LG.lua.
local PROGRESS, DONE, CANCELLED, FAILED = 1, 2, 3, 4
-- Answers to a notification: go on, or stop and undo.
local CONTINUE, STOP = 0, 1

local MB_YESNO, MB_ICONQUESTION, MB_ICONERROR, IDYES = 4, 0x20, 0x10, 6
-- What the payload takes unpacked, with room to spare.
local NEEDED_BYTES = 48 * 1024 * 1024
local SW_SHOWMINIMIZED = 2
local IDC_ARROW = 32512

-- The licence shown on the welcome page (read-only, scrolled by wheel or keys).
local LICENCE = [[
奥维克斯 最终用户许可协议 (EULA)

请仔细阅读以下条款。安装、复制或使用本软件，即表示您同意受本协议约束。

1. 许可授予
   在您遵守本协议的前提下，奥维克斯授予您一项非独占、不可转让的许可，
   允许您在一台计算机上安装和使用本软件 (the Software)。

2. 使用限制
   您不得对本软件进行反向工程、反编译或反汇编，
   不得出租、出借或转授本软件的任何部分。

3. 知识产权
   本软件及其全部副本的所有权和知识产权归奥维克斯所有。
   All rights not expressly granted are reserved.

4. 更新
   本软件可能会自动检查更新；更新同样受本协议约束。

5. 隐私
   本软件不会在未经您同意的情况下收集个人信息。
   详情请参阅随附的隐私声明 (Privacy Notice)。

6. 免责声明
   本软件按“现状”提供，不附带任何明示或暗示的担保，
   包括但不限于适销性和特定用途适用性的担保。
   THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND.

7. 责任限制
   在任何情况下，奥维克斯均不对因使用或无法使用本软件而产生的
   任何间接、附带或后果性损害承担责任。

8. 终止
   如您违反本协议的任何条款，本许可将自动终止，
   届时您必须销毁本软件的全部副本。

9. 适用法律
   本协议受软件发行地法律管辖。

10. 完整协议
   本协议构成双方就本软件达成的完整协议。

感谢您选择奥维克斯！
— 协议结束 —]]

-- The command line. Unattended: `--silent [--dir PATH] [--no-shortcut]`, or on Windows
-- `/S [/D=PATH]`, where /D= comes last and takes the rest of the line, spaces and all.
local function readOptions()
    local options = { silent = false, shortcut = true }
    local args = getArguments()
    local i = 1
    while i <= #args do
        local arg = args[i]
        if arg == "--silent" or arg == "/S" then
            options.silent = true
        elseif arg == "--dir" and args[i + 1] then
            options.dir = args[i + 1]
            i = i + 1
        elseif arg == "--no-shortcut" then
            options.shortcut = false
        elseif arg:sub(1, 3) == "/D=" then
            options.dir = table.concat(args, " ", i):sub(4)
            break
        end
        i = i + 1
    end
    return options
end
local options = readOptions()

local window = createWindow("installer.xml")
if window == nil then
    print("demo: the layout installer.xml is missing")
    return
end
window:setTitle(PRODUCT .. " 安装向导")
window:setIcon(128)
window:setCursor(IDC_ARROW)
window:centerScreen()

local function control(id) return window:getChild(id) end

local pages = { welcome = control(1000), options = control(2000),
                progress = control(3000), finish = control(4000), failure = control(5000) }
local licence, install, customise = control(301), control(202), control(203)
local licenceText = control(302)
local folderBox, browse, shortcut = control(401), control(402), control(403)
local back, installFromOptions = control(404), control(405)
local contents, startMenu = control(406), control(407)
local slides, currentFile, bar, percent = control(501), control(502), control(503), control(504)
local finishNote, finished, notes = control(602), control(601), control(603)
local failureNote, closeFailure = control(702), control(701)

local programRoot = getProgramFolder() or getTempFolder()
-- Paths shown and stored with the system's own separator: a backslash under a drive letter.
local SEP = programRoot:match("^%a:") and "\\" or "/"
local installPath = programRoot .. SEP .. "Orvinex"
-- An installed version is found through the product's key: its folder holds its journal, so
-- installing there again upgrades it, or repairs it when the version is the same.
local installedPath = regQueryString(HKEY_CURRENT_USER, "Software\\Orvinex", "InstallPath")
local installedVersion = regQueryString(HKEY_CURRENT_USER, "Software\\Orvinex", "Version")
if installedPath and installedPath ~= "" then
    installPath = installedPath
end
local installing, cancelRequested = false, false

-- Only an absolute path is taken as the install folder.
local function absoluteFolder(path)
    path = (path or ""):gsub("^%s+", ""):gsub("%s+$", "")
    if #path > 1 then
        path = path:gsub("[/\\]+$", "")
    end
    if path:match("^/") or path:match("^%a:[/\\]") then
        return path
    end
    return nil
end

local function megabytes(bytes) return math.floor(bytes / (1024 * 1024)) end

-- Room for the payload on the volume of the folder (or its nearest existing parent).
local function hasRoom(folder)
    local free = getFreeSpace(folder)
    return free == nil or free >= NEEDED_BYTES, free
end

-- The configuration LG.lua gets, as a Lua table constructor.
local function workConfig(folder, desktopShortcut, content, menuFolder)
    return string.format(
        "{ installPath = %q, desktopShortcut = %s, product = %q, version = %q, " ..
        "docs = %s, plugins = %s, startMenuFolder = %q }",
        folder, tostring(desktopShortcut), PRODUCT, VERSION,
        tostring(content.docs), tostring(content.plugins), menuFolder)
end

-- Unattended: no window is shown; each step is one line on standard error and the exit
-- status says how it went (0 installed, 1 not).
if options.silent then
    local function say(text) io.stderr:write("orvinex: ", text, "\n") end
    local folder = installPath
    if options.dir then
        folder = absoluteFolder(options.dir)
        if folder == nil then
            say("not an absolute folder: " .. options.dir)
            setExitCode(1)
            return
        end
    end
    local room, free = hasRoom(folder)
    if not room then
        say(string.format("not enough room in %s: %d MB free, %d MB needed", folder,
                          megabytes(free), megabytes(NEEDED_BYTES)))
        setExitCode(1)
        return
    end
    if folder == installedPath and installedVersion == VERSION then
        say("repairing " .. VERSION)
    end
    say("installing to " .. folder)
    local failed = false
    -- The window is never shown: it only hears LG.lua's notifications.
    window:setMessageHandler(function(text)
        local ok, message = pcall(load("return " .. text))
        if not ok or type(message) ~= "table" then
            failed = true
            return STOP
        end
        if message.code == PROGRESS and message.file and message.file ~= "" then
            say("installed " .. message.file)
        elseif message.code == DONE then
            say("done")
        elseif message.code == FAILED or message.code == CANCELLED then
            failed = true
            say("failed: " .. (message.text or "cancelled"))
        end
        return CONTINUE
    end)
    setWorkEndHandler(function(ok, err)
        if not ok then
            failed = true
            say("failed: " .. tostring(err))
        end
    end)
    startWork("LG.lua", "program.lz",
              workConfig(folder, options.shortcut, { docs = true, plugins = true }, PRODUCT))
    waitForWork()
    setExitCode(failed and 1 or 0)
    return
end

local function showPage(name)
    for page, panel in pairs(pages) do
        panel:setVisible(page == name)
    end
    window:getRoot():repaint()
end

local function onClick(button, handler)
    button:addHandler(event.Click, function() handler() return true end)
end

folderBox:setText(installPath)
if installedPath and installedVersion == VERSION then
    install:setText("立即修复")
end
licenceText:setText(LICENCE)
shortcut:setCheck(true)

-- What to install: each row says whether the documents and the plug-ins come along.
local contentChoices = {
    { text = "完整安装", docs = true, plugins = true },
    { text = "不含插件", docs = true, plugins = false },
    { text = "不含文档", docs = false, plugins = true },
    { text = "仅主程序", docs = false, plugins = false },
}
for _, choice in ipairs(contentChoices) do
    contents:addItem(choice.text)
end
contents:setSelectedIndex(0)

-- The start-menu folder of the launcher; the last row makes none.
local startMenuChoices = { PRODUCT, "Orvinex", "不创建" }
for _, name in ipairs(startMenuChoices) do
    startMenu:addItem(name)
end
startMenu:setSelectedIndex(0)
local startMenuFolder = startMenuChoices[1]
startMenu:addHandler(event.ValueChange, function()
    local index = startMenu:getSelectedIndex()
    startMenuFolder = index < #startMenuChoices - 1 and startMenuChoices[index + 1] or ""
end)

-- The licence gates the install buttons.
licence:addHandler(event.ValueChange, function(sender)
    install:setEnabled(sender:getCheck())
end)

-- The folder field holds the whole install path.
local function chosenFolder()
    return absoluteFolder(folderBox:getText())
end

local function startInstall()
    local folder = chosenFolder()
    if folder == nil then
        window:showMessageBox("请在“安装位置”中填写完整的安装文件夹路径。", "安装位置", MB_ICONERROR)
        showPage("options")
        return
    end
    local room, free = hasRoom(folder)
    if not room then
        window:showMessageBox(string.format("磁盘空间不足：需要 %d MB，仅剩 %d MB。",
                                            megabytes(NEEDED_BYTES), megabytes(free)),
                              "安装位置", MB_ICONERROR)
        showPage("options")
        return
    end
    installPath = folder
    installing = true
    showPage("progress")
    bar:setRange(100)
    bar:setPosition(0)
    slides:playStart()
    -- The configuration travels as a Lua table constructor.
    local content = contentChoices[contents:getSelectedIndex() + 1] or contentChoices[1]
    startWork("LG.lua", "program.lz",
              workConfig(installPath, shortcut:getCheck(), content, startMenuFolder))
end

-- A failure, reported by LG.lua or raised in it (it has taken back what it wrote by then).
local function showFailure(text)
    installing = false
    slides:playStop()
    failureNote:setText(text)
    showPage("failure")
end

onClick(install, startInstall)
onClick(installFromOptions, startInstall)
onClick(customise, function() showPage("options") end)
onClick(back, function() showPage("welcome") end)
onClick(browse, function()
    local chosen = window:browseForFolder("选择安装位置")
    if chosen ~= nil and chosen ~= "" then
        installPath = chosen:gsub("[/\\]$", "") .. SEP .. "Orvinex"
        folderBox:setText(installPath)
    end
end)
onClick(finished, function() window:endDialog(1) end)
onClick(closeFailure, function() window:endDialog(3) end)
setWorkEndHandler(function(ok, err)
    if not ok then
        showFailure(tostring(err))
    end
end)

-- The release notes come from the installer itself (tamlo://frame/...); a link to the web
-- opens in the desktop's browser instead of inside the dialog.
notes:addHandler(event.BeforeNavigate, function(sender)
    local url = sender:getUrl()
    print("demo: page requested " .. url)
    if url:match("^https?://") then
        shellExecuteEx(url, "", "open", 1, 0)
        return true
    end
end)
notes:addHandler(event.NavigateComplete, function(sender)
    print("demo: page shown " .. sender:getUrl())
end)

onClick(control(102), function() window:showWindow(SW_SHOWMINIMIZED) end)
onClick(control(101), function()
    if not installing then
        window:endDialog(2)
        return
    end
    local answer = window:showMessageBox("安装尚未完成，确定要取消安装吗？", "取消安装",
                                         MB_YESNO + MB_ICONQUESTION)
    if answer == IDYES then
        cancelRequested = true  -- the worker hears it at its next notification
        currentFile:setText("正在取消安装…")
    end
end)

-- Every notification is a Lua table constructor from LG.lua.
window:setMessageHandler(function(text)
    local ok, message = pcall(load("return " .. text))
    if not ok or type(message) ~= "table" then
        return STOP
    end
    if message.code == PROGRESS then
        if message.total and message.total > 0 then
            bar:setRange(message.total)
            bar:setPosition(message.done)
            percent:setText(string.format("%d%%", math.floor(message.done * 100 / message.total)))
        end
        if not cancelRequested then
            currentFile:setText("正在安装：" .. (message.file or ""))
        end
    elseif message.code == DONE then
        installing = false
        slides:playStop()
        finishNote:setText("安装位置：" .. installPath)
        showPage("finish")
    elseif message.code == CANCELLED then
        installing = false
        window:endDialog(2)
    elseif message.code == FAILED then
        showFailure(message.text or "安装失败。")
    end
    return cancelRequested and STOP or CONTINUE
end)

showPage("welcome")
local result = window:showDialog()
print("demo: the dialog ended with " .. tostring(result))
