-- The installation: runs on a worker thread with `config` from startWork.

createDirectory(config.target)                                   -- with its parents
local ok = extractFile("readme.txt", config.target .. "/readme.txt")  -- program/readme.txt
notifyMessage(string.format("{ done = 1, finished = true, target = %q }", config.target))
if not ok then print("readme.txt was not written") end            -- in the debug output
