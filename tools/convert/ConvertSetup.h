// Library start-up of the command-line tool: the coders a program installs at start.
#pragma once

namespace vc {

void SetupLibrary();

}  // namespace vc
