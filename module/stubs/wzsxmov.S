/* Host service wzsxmov: vector 4, slot 28. */
#include "stub.inc"
HOST_STUB wzsxmov, 4, 28
