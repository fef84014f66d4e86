// TOrvex: the main window's view; its I/O and processing components join it as they are built.
#include "imaging/view/Orvex.h"
