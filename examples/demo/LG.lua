-- The demo's installation script, run on a worker thread by startWork.
print("demo: LG.lua is running with install path " .. tostring(config and config.path))
