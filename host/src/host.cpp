// The reference host (filled in by the host core).
#include "nlhost/host.h"
