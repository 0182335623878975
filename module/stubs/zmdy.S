/* Host service zmdy: vector 155, slot 11. */
#include "stub.inc"
HOST_STUB zmdy, 155, 11
