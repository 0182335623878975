// Text as ICU's own converter writes it in another encoding: what the tests
// of nlhost's encodings and of the CLI's --encoding read.
#ifndef NLDAT_TESTS_ICU_ENCODED_H
#define NLDAT_TESTS_ICU_ENCODED_H

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <string>
#include <string_view>

namespace nldat_test {

// text (UTF-8) converted by ICU from one encoding to another.
inline std::string icu_convert(const char *to, const char *from, std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  std::string out(text.size() * 4 + 16, '\0');
  const int32_t n = ucnv_convert(to, from, out.data(), static_cast<int32_t>(out.size()), text.data(),
                                 static_cast<int32_t>(text.size()), &status);
  EXPECT_TRUE(U_SUCCESS(status)) << from << " to " << to << ": " << u_errorName(status);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(n) : 0);
  return out;
}

// text (UTF-8) as ICU writes it in encoding.
inline std::string icu_encode(const char *encoding, std::string_view text) {
  return icu_convert(encoding, "UTF-8", text);
}

}  // namespace nldat_test

#endif
