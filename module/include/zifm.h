// What zifmcma and zifmpct share: the working-copy size and the checks made
// on width and decimals when the block's check flag is set.
#ifndef UWN_ZIFM_H
#define UWN_ZIFM_H

#include "uwn_module.h"

namespace uwn {

constexpr int32_t kNumberCopy = 32;  // widest field the check flag lets through

// The first failing check on width and decimals, or 0 (always 0 when the
// check flag is clear).
inline int32_t check_number_block(const uwn_informat_block *block) {
  if ((block->flags & UWN_BLOCK_CHECK) == 0) return 0;
  if (block->width <= 0) return UWN_NUM_WIDTH_LOW;
  if (block->width > kNumberCopy) return UWN_NUM_WIDTH_HIGH;
  if (block->decimals < 0) return UWN_NUM_DECIMALS_LOW;
  if (block->decimals > kNumberCopy - 1) return UWN_NUM_DECIMALS_HIGH;
  return 0;
}

// The number of field characters the readers look at: [0, 32].
inline int32_t number_field_length(const uwn_informat_block *block) {
  // Compared here rather than through min(): this runs on every field.
  int32_t n = block->width < block->text_length ? block->width : block->text_length;
  if (n > kNumberCopy) n = kNumberCopy;
  return n < 0 ? 0 : n;
}

// The bytes zifmcma deletes wherever they stand: "," "$" "%" ")" and blank,
// all below 64, as one mask tested by shift.
constexpr uint64_t kIgnoredBytes =
    uint64_t{1} << ',' | uint64_t{1} << '$' | uint64_t{1} << '%' | uint64_t{1} << ')' | uint64_t{1} << ' ';

constexpr bool is_ignored(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 64 && ((kIgnoredBytes >> u) & 1) != 0;
}

// The end of zifmcma's work: copy[0, n) is the field with its grouping,
// currency and blank bytes gone (n > 0); inner_paren tells whether an opening
// parenthesis stands past copy[0].  Settles the sign, has the host read the
// digits and answers as zifmcma does.  copy is written to.
int32_t read_cleaned(uwn_informat_block *block, char *copy, int32_t n, bool inner_paren);

}  // namespace uwn

#endif
