/* Host service zwekday: vector 155, slot 18. */
#include "stub.inc"
HOST_STUB zwekday, 155, 18
