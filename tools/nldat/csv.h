// nldat: the delimited-text scanner the commands read records with; it lives
// in the host library, which the Python module's sampler shares.
#ifndef NLDAT_CSV_H
#define NLDAT_CSV_H

#include "nlhost/csv.h"

namespace nldat {
namespace csv = nlhost::csv;
}  // namespace nldat

#endif
