/* Host service zdatprt: vector 155, slot 3. */
#include "stub.inc"
HOST_STUB zdatprt, 155, 3
