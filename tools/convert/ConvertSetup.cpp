// Installs what the library leaves to the programs that use it.
#include "tools/convert/ConvertSetup.h"

namespace vc {

void SetupLibrary() {}

}  // namespace vc
