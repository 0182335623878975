/* Host service wzdttme: vector 0, slot 291. */
#include "stub.inc"
HOST_STUB wzdttme, 0, 291
