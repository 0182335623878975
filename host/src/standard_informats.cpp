// The host's standard informats DATE, DATETIME, WEEKDATE, TWNDY and DATEAMPM.
#include "nlhost/host.h"

namespace nlhost {

void register_standard_informats(Host &) {}

}  // namespace nlhost
