/* The host service stubs: one HOST_STUB per entry of services.def. */
#include "stub.inc"

#define UWN_SERVICE(name, vector, slot) HOST_STUB name, vector, slot
#include "services.def"
#undef UWN_SERVICE
