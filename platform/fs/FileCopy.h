// Copying a file so that the target is either the old file or the whole new one, never a part.
#pragma once

#include <string>

namespace platform {

// Copies through gfx::TAtomicFile (its link and permission rules); false (target untouched) on any failure.
bool CopyFileReplacing(const std::string& source, const std::string& target);

}  // namespace platform
