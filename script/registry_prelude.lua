
-- Windows: array of {wrapper, handle [, message handler]}.
function lua_addWindow(tbl, wrapper, handle)
    tbl[#tbl + 1] = {wrapper, handle}
end

function lua_removeWindow(tbl, handle)
    for i = 1, #tbl do
        if tbl[i][2] == handle then
            table.remove(tbl, i)
            return
        end
    end
end

function lua_queryWindow(tbl, handle)
    for i = 1, #tbl do
        if tbl[i][2] == handle then
            return tbl[i][1]
        end
    end
    return nil
end

function lua_queryWindowHandle(tbl, wrapper)
    for i = 1, #tbl do
        if tbl[i][1] == wrapper then
            return tbl[i][2]
        end
    end
    return 0
end

function lua_setMessageHandler(tbl, wrapper, handler)
    for i = 1, #tbl do
        if tbl[i][1] == wrapper then
            tbl[i][3] = handler
            return
        end
    end
end

function lua_invokeMessageHandler(tbl, wrapper, text)
    for i = 1, #tbl do
        local entry = tbl[i]
        if entry[1] == wrapper then
            if entry[3] == nil then
                return 0
            end
            return entry[3](text)
        end
    end
    return 0
end

-- Controls: [1] by wrapper, [2] by handle, both to {wrapper, handle, dispatcher}.
function lua_addControl(tbl, wrapper, handle)
    local triple = {wrapper, handle, {}}
    tbl[1][wrapper] = triple
    tbl[2][handle] = triple
end

function lua_removeControl(tbl, handle)
    local triple = tbl[2][handle]
    if triple ~= nil then
        tbl[1][triple[1]] = nil
        tbl[2][handle] = nil
    end
end

function lua_queryControl(tbl, handle)
    local triple = tbl[2][handle]
    if triple ~= nil then
        return triple[1]
    end
    return nil
end

function lua_queryControlHandle(tbl, wrapper)
    if wrapper == nil then
        return nil
    end
    local triple = tbl[1][wrapper]
    if triple ~= nil then
        return triple[2]
    end
    return nil
end

function lua_queryControlDispatcher(tbl, wrapper)
    if wrapper == nil then
        return nil
    end
    local triple = tbl[1][wrapper]
    if triple ~= nil then
        return triple[3]
    end
    return nil
end

-- Dispatcher: code -> array of handler functions. The native bridge for a code
-- exists exactly while its list does.
function lua_addHandler(dispatcher, code, handler)
    local list = dispatcher[code]
    if list == nil then
        dispatcher[code] = {handler}
        return true
    end
    list[#list + 1] = handler
end

function lua_removeHandler(dispatcher, code, handler)
    local list = dispatcher[code]
    if list == nil then
        return true
    end
    for i = 1, #list do
        if list[i] == handler then
            table.remove(list, i)
            break
        end
    end
    if #list == 0 then
        dispatcher[code] = nil
        return true
    end
end

function lua_invokeHandlers(dispatcher, sender, code, wparam, lparam)
    local list = dispatcher[code]
    if list == nil then
        return
    end
    -- A handler may add or remove handlers: walk the list as it stood.
    local snapshot = {}
    for i = 1, #list do
        snapshot[i] = list[i]
    end
    for i = 1, #snapshot do
        if snapshot[i](sender, code, wparam, lparam) then
            return true
        end
    end
end

-- Timers: array of {timer handle, function, window handle}.
function lua_setTimer(tbl, timer, handler, window)
    tbl[#tbl + 1] = {timer, handler, window}
end

function lua_killTimer(tbl, timer, window)
    for i = 1, #tbl do
        if tbl[i][1] == timer and tbl[i][3] == window then
            table.remove(tbl, i)
            return
        end
    end
end

function lua_removeTimer(tbl, window)
    for i = #tbl, 1, -1 do
        if tbl[i][3] == window then
            table.remove(tbl, i)
        end
    end
end

function lua_onTimer(tbl, timer)
    for i = 1, #tbl do
        if tbl[i][1] == timer then
            tbl[i][2]()
            return
        end
    end
end

event = {
    GotFocus = 2, LostFocus = 3,
    PrevKeyDown = 4, KeyDown = 5, PrevKeyUp = 6, KeyUp = 7, PrevKeyPress = 8, KeyPress = 9,
    GotCapture = 10, LostCapture = 11,
    PrevLButtonDown = 12, LButtonDown = 13, PrevLButtonUp = 14, LButtonUp = 15,
    PrevRButtonDown = 16, RButtonDown = 17, PrevRButtonUp = 18, RButtonUp = 19,
    LButtonDbClick = 20, RButtonDbClick = 21, PrevMouseWheel = 22, MouseWheel = 23,
    MouseMove = 25, MouseEnter = 26, MouseLeave = 27, QueryCursor = 28,
    Click = 30, ValueChange = 31, Notify = 32,
    BeforeNavigate = 37, NavigateComplete = 38,
}
