// Image entry: takes hold of the host control block and hands the host the
// image information record.
#include "uwn_module.h"

extern "C" {

uint64_t v_global_gcb_anchor = 0;
uint64_t v_global_pidb_anchor = 0;
uint64_t Exported_TKHandle = 0;

// The stubs and the module's own code read the anchor through this alias.
extern uint64_t uwn_gcb_anchor __attribute__((alias("v_global_gcb_anchor"), visibility("hidden")));

const uwn_image_information *mcn_main(uwn_control_block *gcb, void *pidb) {
  v_global_gcb_anchor = reinterpret_cast<uint64_t>(gcb);
  v_global_pidb_anchor = reinterpret_cast<uint64_t>(pidb);
  himodcn();
  Exported_TKHandle = reinterpret_cast<const uwn_control_block *>(v_global_gcb_anchor)->kernel_handle;
  return &vi_mcn;
}

}  // extern "C"
