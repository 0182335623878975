/* Host service wzsxglc: vector 4, slot 84. */
#include "stub.inc"
HOST_STUB wzsxglc, 4, 84
