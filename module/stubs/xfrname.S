/* Host service xfrname: vector 30, slot 27. */
#include "stub.inc"
HOST_STUB xfrname, 30, 27
