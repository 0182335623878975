/* Host service xfxbpn: vector 30, slot 22. */
#include "stub.inc"
HOST_STUB xfxbpn, 30, 22
