/* Host service zminute: vector 155, slot 12. */
#include "stub.inc"
HOST_STUB zminute, 155, 12
