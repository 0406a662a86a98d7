// Anchor for the core library; the modules of core/ add their sources beside it.
#include "core/result.h"
