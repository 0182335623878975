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

// Turns the sign bit of *x over.
inline void flip_sign(double *x) {
  uint64_t bits;
  std::memcpy(&bits, x, sizeof bits);
  bits ^= uint64_t{1} << 63;
  std::memcpy(x, &bits, sizeof bits);
}

// The end of zifmcma's work: copy[0, n) is the field with its grouping,
// currency and blank bytes gone (n > 0); inner_paren tells whether an opening
// parenthesis stands past copy[0].  Settles the sign, has the host read the
// digits and answers as zifmcma does.  copy is written to.  Inline so that
// the readers that build the copy themselves run it as the tail of their
// own scan.
inline int32_t read_cleaned(uwn_informat_block *block, char *copy, int32_t n, bool inner_paren) {
  const bool negative = copy[0] == '-' || copy[0] == '(';
  int32_t start = negative ? 1 : 0;
  if (inner_paren) return UWN_NUM_MISPLACED_PAREN;
  while (start < n && copy[start] == '-') ++start;
  if (start == n) return UWN_NUM_SIGNS_ONLY;

  const int32_t caller_width = block->width;
  const char *const caller_text = block->text;
  block->width = n - start;
  block->text = copy + start;
  int32_t status = wzifmn(block);
  if (status != 0) {
    // A trailing or embedded minus is what the host may have balked at; no
    // parenthesis is left past the front by now.
    int32_t kept = start;
    for (int32_t i = start; i < n; ++i)
      if (copy[i] != '-') copy[kept++] = copy[i];
    block->width = kept - start;
    status = wzifmn(block);
  }
  block->width = caller_width;
  block->text = caller_text;

  if (status == 0 && negative && !uwn::is_missing(*block->result)) uwn::flip_sign(block->result);
  block->reported_length = 8;
  return status;
}

}  // namespace uwn

#endif
