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

local written, folders = {}, {}
local shortcutPath, menuPath, menuFolder = nil, nil, nil

-- The system's own separator: a backslash under a drive letter, where '/' splits paths too.
local SEP = root:match("^%a:") and "\\" or "/"
local LAST_PART = SEP == "/" and "^(.*)/[^/]*$" or "^(.*)[/\\][^/\\]*$"
local function folderOf(path) return path:match(LAST_PART) end

-- Takes back everything this run wrote: files, then the folders they emptied, the
-- registry values and the shortcut.
local function undo()
    for i = #written, 1, -1 do
        removeFile(written[i])
    end
    table.sort(folders, function(a, b) return #a > #b end)
    for _, folder in ipairs(folders) do
        if directoryEmpty(folder) then
            removeDirectory(folder)
        end
    end
    if directoryEmpty(root) then
        removeDirectory(root)
    end
    regDeleteSubKey(HKEY_CURRENT_USER, PRODUCT_KEY)
    regDeleteSubKey(HKEY_CURRENT_USER, UNINSTALL_KEY)
    if shortcutPath then
        removeFile(shortcutPath)
    end
    if menuPath then
        removeFile(menuPath)
        if directoryEmpty(menuFolder) then
            removeDirectory(menuFolder)
        end
    end
end

-- Everything that writes runs protected: an error anywhere takes back what was written
-- before it reaches the dialog (which shows it on its failure page).
local function install()
    local seen, doneBytes = {}, 0
    for index, name in ipairs(names) do
        local target = root .. SEP .. (name:gsub("/", SEP))
        local folder = folderOf(target)
        while folder and #folder > #root and not seen[folder] do
            seen[folder] = true
            folders[#folders + 1] = folder
            folder = folderOf(folder)
        end
        createDirectory(folderOf(target))
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

    -- A drive letter says Windows, where a shortcut is a .lnk file.
    local shortcutName = root:match("^%a:") and "Orvinex.lnk" or "Orvinex.desktop"
    -- The launchers' icon: an .ico for a shell link, an image a desktop entry can show.
    local icon = root .. SEP .. "share" .. SEP .. (SEP == "\\" and "orvinex.ico" or "orvinex.svg")
    if config.desktopShortcut then
        local desktop = getDesktopFolder()
        if desktop then
            shortcutPath = desktop .. SEP .. shortcutName
            createShortCut(root .. SEP .. "bin" .. SEP .. "orvinex", shortcutPath, icon)
        end
    end

    -- A launcher in the start-menu folder the options page chose (none for an empty name).
    local menuName = config.startMenuFolder
    if type(menuName) == "string" and menuName ~= "" and not menuName:find("[/\\]") then
        local menu = getStartMenuFolder()
        if menu then
            menuFolder = menu .. SEP .. menuName
            createDirectory(menuFolder)
            menuPath = menuFolder .. SEP .. shortcutName
            createShortCut(root .. SEP .. "bin" .. SEP .. "orvinex", menuPath, icon)
        end
    end

    -- The last word: a cancel that came too late still takes everything back.
    if notify({ code = PROGRESS, done = totalBytes, total = totalBytes, file = "" }) == STOP then
        undo()
        notify({ code = CANCELLED })
        return
    end
    notify({ code = DONE })
end

local ok, err = pcall(install)
if not ok then
    undo()
    error(err, 0)
end
