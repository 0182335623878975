// zifmpct: reads a field as zifmcma does and divides the value by 100 when
// the field holds a percent sign; without one the value stands as read.
#include "zifm.h"

extern "C" int32_t zifmpct(uwn_informat_block *block) {
  if (const int32_t status = uwn::check_number_block(block); status != 0) return status;
  block->reported_length = 8;
  // Only the characters zifmcma reads count: a "%" beyond them does not
  // scale a value read from before it.
  const bool percent = wzstpos(block->text, uwn::number_field_length(block), '%') >= 0;
  const int32_t status = zifmcma(block);
  if (percent && status == 0 && !uwn::is_missing(*block->result)) *block->result /= 100.0;
  return status;
}
