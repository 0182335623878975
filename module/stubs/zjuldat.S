/* Host service zjuldat: vector 155, slot 9. */
#include "stub.inc"
HOST_STUB zjuldat, 155, 9
