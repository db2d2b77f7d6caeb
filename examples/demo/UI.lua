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
local SW_SHOWMINIMIZED = 2
local IDC_ARROW = 32512

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
                progress = control(3000), finish = control(4000) }
local licence, install, customise = control(301), control(202), control(203)
local folderLabel, browse, shortcut = control(401), control(402), control(403)
local back, installFromOptions = control(404), control(405)
local contents, startMenu = control(406), control(407)
local slides, currentFile, bar, percent = control(501), control(502), control(503), control(504)
local finishNote, finished, notes = control(602), control(601), control(603)

local installPath = (getProgramFolder() or getTempFolder()) .. "/Orvinex"
local installing, cancelRequested = false, false

local function showPage(name)
    for page, panel in pairs(pages) do
        panel:setVisible(page == name)
    end
    window:getRoot():repaint()
end

local function onClick(button, handler)
    button:addHandler(event.Click, function() handler() return true end)
end

folderLabel:setText(installPath)
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

local function startInstall()
    installing = true
    showPage("progress")
    bar:setRange(100)
    bar:setPosition(0)
    slides:playStart()
    -- The configuration travels as a Lua table constructor.
    local content = contentChoices[contents:getSelectedIndex() + 1] or contentChoices[1]
    startWork("LG.lua", "program.lz", string.format(
        "{ installPath = %q, desktopShortcut = %s, product = %q, version = %q, " ..
        "docs = %s, plugins = %s, startMenuFolder = %q }",
        installPath, tostring(shortcut:getCheck()), PRODUCT, VERSION,
        tostring(content.docs), tostring(content.plugins), startMenuFolder))
end

onClick(install, startInstall)
onClick(installFromOptions, startInstall)
onClick(customise, function() showPage("options") end)
onClick(back, function() showPage("welcome") end)
onClick(browse, function()
    local chosen = window:browseForFolder("选择安装位置")
    if chosen ~= nil and chosen ~= "" then
        installPath = chosen:gsub("[/\\]$", "") .. "/Orvinex"
        folderLabel:setText(installPath)
    end
end)
onClick(finished, function() window:endDialog(1) end)

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
        installing = false
        window:showMessageBox(message.text or "安装失败。", "错误", MB_ICONERROR)
        window:endDialog(3)
    end
    return cancelRequested and STOP or CONTINUE
end)

showPage("welcome")
local result = window:showDialog()
print("demo: the dialog ended with " .. tostring(result))
