// Replacing a file so that a crash, a full disk or a cut power leaves either
// the old file or the new one, never a damaged or empty one.
#pragma once
#include <string>

namespace tevkit {

// Writes bytes to a temporary file beside path, syncs it, gives it the old
// file's permissions and renames it over path. False (and path untouched)
// on any failure.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);

}  // namespace tevkit
