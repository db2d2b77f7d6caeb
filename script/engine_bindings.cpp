#include "script/engine_bindings.h"

#include "script/control_bindings.h"
#include "script/control_methods.h"
#include "script/installer_arguments.h"
#include "script/list_methods.h"
#include "script/lua_window.h"
#include "script/lua_work.h"
#include "script/window_methods.h"
#include "window/window_impl.h"

namespace tamlo::script {

void installEngineBindings() {
    // A destroyed window leaves the registries, so its handle never names a new window.
    WindowImpl::setDestroyedHook(LuaWindow::onWindowDestroyed);
    installControlBindings();
    installControlMethods();
    installListMethods();
    installWindowMethods();
    installBackgroundWork();
    installInstallerArguments();
}

}  // namespace tamlo::script
