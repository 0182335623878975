/* Host service wzsxplc: vector 4, slot 85. */
#include "stub.inc"
HOST_STUB wzsxplc, 4, 85
