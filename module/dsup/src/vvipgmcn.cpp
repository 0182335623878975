// The entry descriptor list: one descriptor, naming the informat-family entry.
#include "uwn_module.h"

extern "C" {

const uwn_entry_descriptor pcn_UWINLDAT = {
    {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    0x400,
    0x400,
    "uwinldat",
    uwinldat,
    1,
    9683,
    0x2001B585,
    15,
};

const uwn_entry_descriptor *const mcn_pcns[2] = {&pcn_UWINLDAT, nullptr};

}  // extern "C"
