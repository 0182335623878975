/* Host service zhour: vector 155, slot 8. */
#include "stub.inc"
HOST_STUB zhour, 155, 8
