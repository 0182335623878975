/* A broken image for the loader's error paths.  NLDAT_FAKE_FAULT chooses
 * what is wrong: "eye" (eye-catcher), "magic", "entry" (no "uwinldat" in the
 * entry list), "describe" (describe request answers null), "null" (mcn_main
 * answers null). */
#include <stdlib.h>
#include <string.h>

#include "uwinldat.h"

static uwn_image_information image;
static const uwn_entry_descriptor *entries[2];
static uwn_entry_descriptor entry;

static void *fake_entry(int32_t request) {
  (void)request;
  return NULL;
}

const uwn_image_information *mcn_main(uwn_control_block *gcb, void *pidb) {
  (void)gcb, (void)pidb;
  const char *fault = getenv("NLDAT_FAKE_FAULT");
  if (fault == NULL) fault = "";
  if (strcmp(fault, "null") == 0) return NULL;
  memset(&image, 0, sizeof image);
  memcpy(image.eye_catcher, strcmp(fault, "eye") == 0 ? "TOV_Image_Informatio?=" : UWN_IMAGE_EYE_CATCHER, 22);
  image.magic = strcmp(fault, "magic") == 0 ? 0xB0BDEBEEu : UWN_IMAGE_MAGIC;
  memset(&entry, 0, sizeof entry);
  strcpy(entry.name, strcmp(fault, "entry") == 0 ? "other" : "uwinldat");
  entry.routine = fake_entry;
  entries[0] = &entry;
  entries[1] = NULL;
  image.entries = entries;
  return &image;
}
