// The image information record: what the host reads after the image entry.
#include "uwn_module.h"

#ifndef UWN_RELEASE
#define UWN_RELEASE "1.00"
#endif
#ifndef UWN_BUILD_ID
#define UWN_BUILD_ID "NLD0100B00000000"
#endif
#ifndef UWN_BUILD_DATE
#define UWN_BUILD_DATE "Jan 01 2026"
#endif

static_assert(sizeof(UWN_RELEASE) - 1 == 4, "release: digit, point, two digits");
static_assert(sizeof(UWN_BUILD_ID) - 1 == 16, "build identifier: 16 characters");
static_assert(sizeof(UWN_BUILD_DATE) - 1 == 11, "build date: Mmm dd yyyy");
static_assert(sizeof(UWN_IMAGE_EYE_CATCHER) - 1 == 22, "eye-catcher: 22 characters");

namespace {
constexpr char kNotice[] =
    "uwinldat " UWN_RELEASE " (" UWN_BUILD_ID "): locale date informats and locale library";
}

extern "C" const uwn_image_information vi_mcn = {
    UWN_IMAGE_EYE_CATCHER,  // eye-catcher and two NULs
    UWN_IMAGE_MAGIC,
    0,
    8,
    UWN_RELEASE,
    UWN_BUILD_ID,
    UWN_BUILD_DATE,
    {},
    mcn_pcns,
    kNotice,
    "001",
};
