// The host services as the module's stubs are made from them
// (uwinldat_services.def), and each stub's second exported name.
#ifndef NLDAT_TESTS_SERVICE_LIST_H
#define NLDAT_TESTS_SERVICE_LIST_H

#include <iterator>
#include <string>

#include "uwinldat.h"

namespace nldat_test {

struct Service {
  const char *name;
  int vector;
  int slot;
};

inline constexpr Service kServices[] = {
#define UWN_SERVICE(name, vector, slot, type, params) {#name, vector, slot},
#include "uwinldat_services.def"
#undef UWN_SERVICE
};
static_assert(std::size(kServices) == UWN_SERVICE_COUNT);

// "_name_vector_slot", built by appends (GCC 12 warns falsely of overlapping
// copies on a chain of operator+).
inline std::string stub_alias(const Service &s) {
  std::string alias = "_";
  alias += s.name;
  alias += '_';
  alias += std::to_string(s.vector);
  alias += '_';
  alias += std::to_string(s.slot);
  return alias;
}

}  // namespace nldat_test

#endif  // NLDAT_TESTS_SERVICE_LIST_H
