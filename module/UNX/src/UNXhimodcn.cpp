// Module initialisation hook: the image entry calls it; there is nothing to
// initialise, since the module keeps no state.
#include "uwn_module.h"

extern "C" void himodcn(void) {}
