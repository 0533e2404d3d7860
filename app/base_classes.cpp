// Out-of-line destructors: the virtual tables of the shared base classes live
// in the host.
#include "plugin_api/tev_app.h"
#include "plugin_api/tev_module.h"

CTevBase::CTevBase() = default;
CTevBase::~CTevBase() = default;
ITevModule::~ITevModule() = default;
ITevApp::~ITevApp() = default;
