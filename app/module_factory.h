// Makes the service modules by number: 0 draw, 1 input, 2 movie, 3 sound.
#pragma once
#include "plugin_api/tev_base.h"

class ITevModule;

class CTevModuleFactory : public CTevBase {
public:
    ~CTevModuleFactory() override = default;
    // A new module the caller owns, or null for another kind (or a service
    // this build does not have).
    virtual ITevModule* Create(int kind);
};
