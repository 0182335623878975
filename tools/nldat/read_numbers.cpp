// nldat read NUMBER, MONEY, PERCENT: a field in the locale's number
// conventions (items 111, 113, 112) through zkifnum, zkifmny and zkifpct.
#include "read_readers.h"

namespace nldat {
namespace {

using LocaleReader = int32_t (*)(intptr_t, intptr_t, const void *, int32_t, uwn_informat_block *);

// The readers look at 32 characters at most: a longer field is not read
// rather than read in part.
constexpr size_t kLongestField = 32;

int32_t read_with(Context &context, const char *routine, int32_t item, std::string_view text, double *value) {
  nlhost::Module *module = context.module();
  if (module == nullptr) return 1;
  const auto reader = module->function<LocaleReader>(routine);
  if (reader == nullptr || text.size() > kLongestField) return 1;
  uwn_informat_block block{};
  block.text = text.data();
  block.text_length = block.width = static_cast<int32_t>(text.size());
  block.result = value;
  return reader(0, 0, nullptr, item, &block);
}

}  // namespace

int32_t read_number(Context &context, std::string_view text, double *value) {
  return read_with(context, "zkifnum", UWN_ITEM_NUMBER, text, value);
}

int32_t read_money(Context &context, std::string_view text, double *value) {
  return read_with(context, "zkifmny", UWN_ITEM_MONEY_LOCAL, text, value);
}

int32_t read_percent(Context &context, std::string_view text, double *value) {
  return read_with(context, "zkifpct", UWN_ITEM_PERCENT, text, value);
}

}  // namespace nldat
