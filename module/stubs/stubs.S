/* The host service stubs: one HOST_STUB per row of uwinldat_services.def.
 * The list comes first without rows, for GCB_TSSVEC, which the macro uses. */
#include "uwinldat_services.def"
#include "stub.inc"

#define UWN_SERVICE(name, vector, slot, type, params) HOST_STUB name, vector, slot
#include "uwinldat_services.def"
#undef UWN_SERVICE
