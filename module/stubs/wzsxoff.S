/* Host service wzsxoff: vector 4, slot 35. */
#include "stub.inc"
HOST_STUB wzsxoff, 4, 35
