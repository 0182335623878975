/* Host service xexit: vector 30, slot 4. */
#include "stub.inc"
HOST_STUB xexit, 30, 4
