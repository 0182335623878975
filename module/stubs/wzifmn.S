/* Host service wzifmn: vector 0, slot 305. */
#include "stub.inc"
HOST_STUB wzifmn, 0, 305
