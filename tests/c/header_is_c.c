/* The interface header compiles as C11. */
#include "uwinldat.h"

size_t nldat_header_c_probe(void) { return sizeof(uwn_control_block) + sizeof(uwn_informat_block); }
