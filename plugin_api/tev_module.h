// The base every service module shares. Slot order is binary interface:
// plug-ins hold service objects and call them by position.
#pragma once
#include <cstdint>
#include "plugin_api/tev_base.h"

class ITevApp;

class ITevModule : public CTevBase {
public:
    ~ITevModule() override;
    virtual bool Initialize(ITevApp* app) = 0;
    virtual bool Finalize() = 0;
    // Never called by anything; kept for the slot order.
    virtual bool OnEvent(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { return false; }
    virtual bool InitializeAfterUser() { return true; }
    virtual bool BeginFrame() { return false; }
    virtual bool EndFrame() { return false; }
    virtual bool Idle() { return false; }
};
