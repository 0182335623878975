/* Host service xpslstr: vector 30, slot 101. */
#include "stub.inc"
HOST_STUB xpslstr, 30, 101
