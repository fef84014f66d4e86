// The --info report of vantrel-convert: what parameters-only reading learns about a file.
#pragma once

#include <ostream>
#include <string>

#include "imaging/io/oxio.h"

namespace vc {

// False when the file is not a picture the library can read.
bool PrintInfo(ox::TOrvexIO& io, const std::string& fileName, std::ostream& out);

}  // namespace vc
