#include "script/engine_bindings.h"

#include "script/control_bindings.h"
#include "script/control_methods.h"
#include "script/lua_work.h"
#include "script/window_methods.h"

namespace tamlo::script {

void installEngineBindings() {
    installControlBindings();
    installControlMethods();
    installWindowMethods();
    installBackgroundWork();
}

}  // namespace tamlo::script
