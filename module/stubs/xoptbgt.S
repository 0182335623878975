/* Host service xoptbgt: vector 30, slot 39. */
#include "stub.inc"
HOST_STUB xoptbgt, 30, 39
