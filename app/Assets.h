// Where the program's shipped files (welcome page, sample picture, icon) are found: installed beside the
// program in share/vantrel, or in the source tree when run from a build folder.
#pragma once

#include <string>

namespace app {

// Full path of `name` in the first asset folder that holds it; empty when none does.
std::string AssetPath(const std::string& executablePath, const std::string& name);

}  // namespace app
