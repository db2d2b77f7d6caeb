-- The demo's installation script. It runs on a worker thread with its own Lua state:
-- `config` comes from UI.lua, `extractFile` writes payload entries, `notifyMessage` tells
-- the dialog how far it is and hears back whether to go on.

local PROGRESS, DONE, CANCELLED, FAILED = 1, 2, 3, 4
local STOP = 1

local PRODUCT_KEY = "Software\\Orvinex"
local UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvinex"

local function notify(fields)
    local parts = {}
    for key, value in pairs(fields) do
        local text = type(value) == "string" and string.format("%q", value) or tostring(value)
        parts[#parts + 1] = key .. " = " .. text
    end
    return notifyMessage("{ " .. table.concat(parts, ", ") .. " }")
end

local root = config and config.installPath
if type(root) ~= "string" or root == "" then
    notify({ code = FAILED, text = "没有安装位置。" })
    return
end

-- The payload lists its own files, in the order they unpack fastest.
local names, sizes, totalBytes = {}, {}, 0
-- Documents and plug-ins come only when the options page kept them.
local skipped = {}
if config.docs == false then skipped[#skipped + 1] = "docs/" end
if config.plugins == false then skipped[#skipped + 1] = "bin/plugins/" end
local function wanted(name)
    for _, prefix in ipairs(skipped) do
        if name:sub(1, #prefix) == prefix then return false end
    end
    return true
end
for _, entry in ipairs(listEntries()) do
    if wanted(entry.name) then
        names[#names + 1] = entry.name
        sizes[#names] = entry.size
        totalBytes = totalBytes + entry.size
    end
end
if #names == 0 then
    notify({ code = FAILED, text = "安装包已损坏。" })
    return
end

local written = {}

-- The system's own separator: a backslash under a drive letter, where '/' splits paths too.
local SEP = root:match("^%a:") and "\\" or "/"
local LAST_PART = SEP == "/" and "^(.*)/[^/]*$" or "^(.*)[/\\][^/\\]*$"
local function folderOf(path) return path:match(LAST_PART) end

-- Every change is journalled before it is made, so a cancel, a failure or a killed run is
-- taken back from the journal. An install over an installed version writes a new journal
-- and, once it is committed, removes what only the old version had.
local JOURNAL = root .. SEP .. "uninstall.journal"
local NEXT_JOURNAL = JOURNAL .. ".next"
-- A run killed in the middle: take back what it did before starting again.
for _, path in ipairs({ NEXT_JOURNAL, JOURNAL }) do
    if journalState(path) == "open" then
        rollbackJournal(path)
    end
end
-- An upgrade killed once its journal was committed: finish it.
if journalState(NEXT_JOURNAL) == "committed" then
    if journalState(JOURNAL) == "committed" then
        uninstallJournal(JOURNAL, NEXT_JOURNAL)
    end
    moveFile(NEXT_JOURNAL, JOURNAL)
end
local installedJournal = journalState(JOURNAL) == "committed" and JOURNAL or nil
local opened, openError = openJournal(installedJournal and NEXT_JOURNAL or JOURNAL)
if not opened then
    notify({ code = FAILED, text = "无法写入安装记录：" .. tostring(openError) })
    return
end

local function undo()
    rollbackJournal()
end

-- Everything that writes runs protected: an error anywhere takes back what was written
-- before it reaches the dialog (which shows it on its failure page).
local function install()
    local seen, doneBytes = {}, 0
    for index, name in ipairs(names) do
        local target = root .. SEP .. (name:gsub("/", SEP))
        local folder = folderOf(target)
        if not seen[folder] then
            seen[folder] = true
            createDirectory(folder)
        end
        if not extractFile(name, target) then
            undo()
            notify({ code = FAILED, text = "无法写入 " .. target })
            return
        end
        written[#written + 1] = target
        doneBytes = doneBytes + sizes[index]
        if notify({ code = PROGRESS, done = doneBytes, total = totalBytes, file = name }) == STOP then
            undo()
            notify({ code = CANCELLED })
            return
        end
    end

    regWriteString(HKEY_CURRENT_USER, PRODUCT_KEY, "InstallPath", root)
    regWriteString(HKEY_CURRENT_USER, PRODUCT_KEY, "Version", config.version or "")
    regWriteString(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayName", config.product or "Orvinex")
    regWriteString(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayVersion", config.version or "")
    regWriteString(HKEY_CURRENT_USER, UNINSTALL_KEY, "InstallLocation", root)
    regWriteInteger(HKEY_CURRENT_USER, UNINSTALL_KEY, "NoModify", 1)
    regWriteString(HKEY_CURRENT_USER, UNINSTALL_KEY, "JournalPath", JOURNAL)
    -- The uninstaller travels in the payload; the silent flag is the engine's own.
    local windows = SEP == "\\"
    local uninstaller = root .. SEP .. (windows and "uninstall.exe" or "uninstall")
    if fileExists(uninstaller) then
        local command = '"' .. uninstaller .. '"'
        regWriteString(HKEY_CURRENT_USER, UNINSTALL_KEY, "UninstallString", command)
        regWriteString(HKEY_CURRENT_USER, UNINSTALL_KEY, "QuietUninstallString",
                       command .. (windows and " /S" or " --silent"))
    end
    local icon = root .. SEP .. "share" .. SEP .. (windows and "orvinex.ico" or "orvinex.svg")
    regWriteString(HKEY_CURRENT_USER, UNINSTALL_KEY, "DisplayIcon", icon)
    regWriteInteger(HKEY_CURRENT_USER, UNINSTALL_KEY, "EstimatedSize",
                    math.floor((totalBytes + 1023) / 1024))

    -- A drive letter says Windows, where a shortcut is a .lnk file.
    local shortcutName = root:match("^%a:") and "Orvinex.lnk" or "Orvinex.desktop"
    -- The launchers' icon (DisplayIcon above): an .ico for a shell link, an image a desktop
    -- entry can show.
    if config.desktopShortcut then
        local desktop = getDesktopFolder()
        if desktop then
            local shortcutPath = desktop .. SEP .. shortcutName
            createShortCut(root .. SEP .. "bin" .. SEP .. "orvinex", shortcutPath, icon)
        end
    end

    -- A launcher in the start-menu folder the options page chose (none for an empty name).
    local menuName = config.startMenuFolder
    if type(menuName) == "string" and menuName ~= "" and not menuName:find("[/\\]") then
        local menu = getStartMenuFolder()
        if menu then
            local menuFolder = menu .. SEP .. menuName
            createDirectory(menuFolder)
            local menuPath = menuFolder .. SEP .. shortcutName
            createShortCut(root .. SEP .. "bin" .. SEP .. "orvinex", menuPath, icon)
            -- Linux lists programs, not uninstall entries: the uninstaller gets a launcher.
            if not windows and fileExists(uninstaller) then
                createShortCut(uninstaller, menuFolder .. SEP .. "卸载奥维克斯.desktop", icon)
            end
        end
    end

    -- The last word: a cancel that came too late still takes everything back.
    if notify({ code = PROGRESS, done = totalBytes, total = totalBytes, file = "" }) == STOP then
        undo()
        notify({ code = CANCELLED })
        return
    end
    assert(commitJournal())
    if installedJournal then
        -- The upgrade: what the old version had and this one lacks goes.
        uninstallJournal(installedJournal, NEXT_JOURNAL)
        moveFile(NEXT_JOURNAL, JOURNAL)
    end
    notify({ code = DONE })
end

local ok, err = pcall(install)
if not ok then
    undo()
    error(err, 0)
end
