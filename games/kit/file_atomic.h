// Replacing a file so that a crash, a full disk or a cut power leaves either
// the old file or the new one, never a damaged or empty one.
#pragma once
#include <string>

namespace tevkit {

// Writes bytes to a temporary file beside path ("<path>.XXXXXX", mode 0644
// less the umask), syncs it and renames it over path. False (and path
// untouched, errno saying why) on any failure.
bool WriteFileAtomic(const std::string& path, const std::string& bytes);

}  // namespace tevkit
