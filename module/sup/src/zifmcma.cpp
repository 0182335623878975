// zifmcma: reads one numeric field written with grouping commas, a dollar or
// percent sign, blanks, a leading minus or accounting parentheses.  The field
// is cleaned in a 32-character copy, its sign settled here, and the digits
// handed to the host's numeric informat wzifmn (retried once without embedded
// minus signs).  The standard missing value is stored before anything is read;
// the caller's width and text address are as they were on return.
#include "zifm.h"

namespace {

constexpr char kIgnored[] = ",$%) ";  // deleted wherever they stand
constexpr char kRetryDeleted[] = "-(";

void flip_sign(double *x) {
  uint64_t bits;
  std::memcpy(&bits, x, sizeof bits);
  bits ^= uint64_t{1} << 63;
  std::memcpy(x, &bits, sizeof bits);
}

}  // namespace

extern "C" int32_t zifmcma(uwn_informat_block *block) {
  if (const int32_t status = uwn::check_number_block(block); status != 0) return status;
  *block->result = uwn::missing_value();

  // Without the check flag a width or text length may be 0 or negative:
  // nothing is copied then and the field reads as empty.
  int32_t n = uwn::number_field_length(block);
  if (n == 0) return 0;
  char copy[uwn::kNumberCopy];
  std::memcpy(copy, block->text, static_cast<size_t>(n));

  n = wzstdel(copy, n, kIgnored, sizeof kIgnored - 1);
  if (n == 0) return 0;

  int32_t start = 0;
  const bool negative = copy[0] == '-' || copy[0] == '(';
  if (negative) start = 1;
  // One opening parenthesis at most, and only in front.
  if (wzstpos(copy + start, n - start, '(') >= 0) return UWN_NUM_MISPLACED_PAREN;
  while (start < n && copy[start] == '-') ++start;
  if (start == n) return UWN_NUM_SIGNS_ONLY;

  const int32_t caller_width = block->width;
  const char *const caller_text = block->text;
  block->width = n - start;
  block->text = copy + start;
  int32_t status = wzifmn(block);
  if (status != 0) {
    // A trailing or embedded minus is what the host may have balked at.
    block->width = wzstdel(copy + start, n - start, kRetryDeleted, sizeof kRetryDeleted - 1);
    status = wzifmn(block);
  }
  block->width = caller_width;
  block->text = caller_text;

  if (status == 0 && negative && !uwn::is_missing(*block->result)) flip_sign(block->result);
  block->reported_length = 8;
  return status;
}
