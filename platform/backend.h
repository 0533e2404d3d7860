// Which family of platform backends this run uses. Every platform service
// (window, audio, pads, ...) has a real backend on system libraries and a
// null backend for headless runs; each service picks its backend from this
// choice the first time it is asked for.
#pragma once

namespace platform {

enum class BackendKind { Real, Null };

// Call once at start-up, before any platform service is used.
void SelectBackends(BackendKind kind);
BackendKind SelectedBackends();

} // namespace platform
