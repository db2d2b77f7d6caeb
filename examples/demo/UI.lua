-- The demo installer's UI script. It grows into the full dialog as the UI
-- framework lands; for now it shows that the engine runs it.
print("demo: UI.lua is running")
