/* Host service zsecond: vector 155, slot 15. */
#include "stub.inc"
HOST_STUB zsecond, 155, 15
