// zifmcma: reads one numeric field written with grouping commas, a dollar or
// percent sign, blanks, a leading minus or accounting parentheses.  The field
// is cleaned in a 32-character copy, its sign settled here, and the digits
// handed to the host's numeric informat wzifmn (retried once without embedded
// minus signs).  The standard missing value is stored before anything is read;
// the caller's width and text address are as they were on return.
#include "zifm.h"

extern "C" int32_t zifmcma(uwn_informat_block *block) {
  if (const int32_t status = uwn::check_number_block(block); status != 0) return status;
  *block->result = uwn::missing_value();

  // Without the check flag a width or text length may be 0 or negative:
  // nothing is copied then and the field reads as empty.
  const int32_t length = uwn::number_field_length(block);
  if (length == 0) return 0;

  // Copy and clean in one pass, noting an opening parenthesis past the first
  // kept byte (only one in front is allowed) on the way.
  char copy[uwn::kNumberCopy];
  int32_t n = 0;
  bool inner_paren = false;
  for (int32_t i = 0; i < length; ++i) {
    const char c = block->text[i];
    if (c >= '0' && c <= '9') {
      copy[n++] = c;
      continue;
    }
    if (uwn::is_ignored(c)) continue;
    inner_paren |= c == '(' && n > 0;
    copy[n++] = c;
  }
  if (n == 0) return 0;
  return uwn::read_cleaned(block, copy, n, inner_paren);
}
