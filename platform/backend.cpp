#include "platform/backend.h"

namespace platform {

namespace {
BackendKind g_kind = BackendKind::Real;
}

void SelectBackends(BackendKind kind) { g_kind = kind; }
BackendKind SelectedBackends() { return g_kind; }

} // namespace platform
