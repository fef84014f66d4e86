// Installs what the library leaves to the programs that use it.
#include "tools/convert/ConvertSetup.h"

#include "imaging/io/TIFFLzw.h"

namespace vc {

void SetupLibrary() { ox::InstallTiffLzwCoders(); }

}  // namespace vc
