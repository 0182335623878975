/* Host service zymdjul: vector 155, slot 21. */
#include "stub.inc"
HOST_STUB zymdjul, 155, 21
