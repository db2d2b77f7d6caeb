-- The demo uninstaller's worker: takes back the install's journal, then the product's keys.
-- `config.journal` is the journal the install registered as JournalPath.

local PROGRESS, DONE, FAILED = 1, 2, 4

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

local journal = config and config.journal
if type(journal) ~= "string" or journalState(journal) == "none" then
    notify({ code = FAILED, text = "找不到安装记录，无法卸载。" })
    return
end
notify({ code = PROGRESS, done = 0, total = 3 })
-- An install killed before its commit is taken back whole; a committed one is uninstalled,
-- leaving files the user changed since.
local ok, kept
if journalState(journal) == "open" then
    ok, kept = rollbackJournal(journal), {}
else
    ok, kept = uninstallJournal(journal)
end
if not ok then
    notify({ code = FAILED, text = "无法卸载：" .. tostring(kept) })
    return
end
notify({ code = PROGRESS, done = 2, total = 3 })
-- The journal gave back the values; what someone added to the keys since goes too.
regDeleteSubKey(HKEY_CURRENT_USER, UNINSTALL_KEY)
regDeleteSubKey(HKEY_CURRENT_USER, PRODUCT_KEY)
notify({ code = PROGRESS, done = 3, total = 3 })
notify({ code = DONE, kept = table.concat(kept, "\n") })
