/*
 * minimal_host.c - the least a host does to read a date through uwinldat.so.
 *
 *   minimal_host MODULE [FIELD]
 *
 * It builds a control block with the few services NLDATE needs (locale items,
 * character lengths, the calendar's month-day-year conversion, informat lookup
 * and fatal exit), loads the module with dlopen, calls the image entry, asks
 * the family entry to describe and bind its informats, and reads FIELD
 * (default "07.12.2026") through NLDATE in a German-style locale whose first
 * date pattern is "%d.%m.%Y".  Prints the date value (days since 1960-01-01).
 */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "uwinldat.h"

/* ---- locale: a few items, each a 152-byte locale text entry ---- */

static uwn_locale_entry items[UWN_ITEM_MONTH + 12];

static void set_item(int item, const char *text) {
  items[item].length = (int32_t)strlen(text);
  memcpy(items[item].text, text, strlen(text));
}

static int32_t svc_wzsxglc(void *locale, int32_t item, const uwn_locale_entry **entry) {
  (void)locale;
  if (item < 0 || item >= (int32_t)(sizeof items / sizeof items[0]) || items[item].length == 0) return 1;
  *entry = &items[item];
  return 0;
}

/* Every byte is a character of its own: this host's text is ASCII. */
static int32_t svc_wzsxoff(uwn_text_descriptor *text, int32_t offset) {
  text->last_offset = (int16_t)offset;
  text->last_length = 1;
  return 1;
}

/* ---- calendar: days from civil, on the proleptic Gregorian calendar ---- */

static uwn_missing_holder missing_holder;

static double svc_zmdy(double month, double day, double year) {
  const double missing = missing_holder.missing;
  if (!(month >= 1 && month <= 12 && day >= 1 && day <= 31 && year >= 0 && year <= 20000)) return missing;
  int y = (int)year, m = (int)month, d = (int)day;
  if (y < 100) y += y < 40 ? 2000 : 1900; /* two-digit years: 1940-2039 */
  static const int mdays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d > mdays[m - 1] + (m == 2 && leap)) return missing;
  y -= m <= 2;
  const long era = y / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return (double)(era * 146097 + doe - 719468 + 3653); /* 1970-01-01 is day 3653 */
}

/* ---- kernel: informat lookup (no standard informats here), exit ---- */

static int32_t svc_xfrname(void *locale, const char *name, int32_t length, int32_t kind, int32_t zero,
                           void **informat) {
  (void)locale, (void)name, (void)length, (void)kind, (void)zero, (void)informat;
  return 1;
}

static void svc_xexit(int32_t code, int32_t detail) {
  fprintf(stderr, "minimal_host: fatal exit %d (%d)\n", code, detail);
  exit(3);
}

/* ---- the service vectors: each routine where the service list puts it ---- */

static void *vector0[512], *vector4[512], *vector30[512], *vector155[512];
static void **const service_vectors[UWN_VECTOR_COUNT] = {
    [UWN_VECTOR_TOOLKIT] = vector0,
    [UWN_VECTOR_LOCALE] = vector4,
    [UWN_VECTOR_KERNEL] = vector30,
    [UWN_VECTOR_CALENDAR] = vector155,
};

static const struct {
  const char *name;
  int vector, slot;
} services[] = {
#define UWN_SERVICE(name, vector, slot, type, params) {#name, vector, slot},
#include "uwinldat_services.def"
#undef UWN_SERVICE
};

/* Puts routine in the slot of the service called name. */
static void provide(const char *name, void *routine) {
  for (size_t i = 0; i < sizeof services / sizeof services[0]; ++i) {
    if (strcmp(services[i].name, name) == 0) service_vectors[services[i].vector][services[i].slot] = routine;
  }
}

/* ---- memory pool ---- */

static void *pool_allocate(uwn_memory_pool *pool, uint64_t size, uint32_t flags) {
  (void)pool, (void)flags;
  return calloc(1, size);
}

int main(int argc, char **argv) {
  if (argc < 2 || argc > 3) {
    fprintf(stderr, "usage: minimal_host MODULE [FIELD]\n");
    return 2;
  }
  const char *field = argc == 3 ? argv[2] : "07.12.2026";

  set_item(UWN_ITEM_DATE_1, "%d.%m.%Y");
  set_item(UWN_ITEM_DATE_2, "%d.%m.%y");
  set_item(UWN_ITEM_TIME_1, "%H:%M:%S");
  set_item(UWN_ITEM_TIME_2, "%H:%M");

  /* The control block and what it points to. */
  static void *const *vectors[UWN_VECTOR_COUNT];
  static uint8_t tssvec[UWN_VECTOR_COUNT], upper[256], char_class[256];
  static uwn_locale_holder locale_holder;
  static uwn_memory_pool pool = {pool_allocate};
  static uwn_control_block gcb;

  for (int v = 0; v < UWN_VECTOR_COUNT; ++v) vectors[v] = service_vectors[v];
  provide("wzsxglc", (void *)svc_wzsxglc);
  provide("wzsxoff", (void *)svc_wzsxoff);
  provide("zmdy", (void *)svc_zmdy);
  provide("xfrname", (void *)svc_xfrname);
  provide("xexit", (void *)svc_xexit);
  for (int c = 0; c < 256; ++c) {
    upper[c] = (uint8_t)(c >= 'a' && c <= 'z' ? c - 32 : c);
    char_class[c] = (uint8_t)((c >= 'a' && c <= 'z' ? UWN_CLASS_LOWER : 0) |
                              (c >= '0' && c <= '9' ? UWN_CLASS_DIGIT : 0));
  }
  const uint64_t missing_bits = 0xFFFF000000000000ull; /* top 16 bits all ones */
  memcpy(&missing_holder.missing, &missing_bits, sizeof missing_bits);
  gcb.vectors = (void *const *const *)vectors;
  gcb.tssvec = tssvec;
  gcb.locale_holder = &locale_holder;
  gcb.upper = upper;
  gcb.char_class = char_class;
  gcb.missing_holder = &missing_holder;
  gcb.pool = &pool;

  /* Load, enter, find the family entry. */
  void *module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (module == NULL) {
    fprintf(stderr, "minimal_host: %s\n", dlerror());
    return 1;
  }
  const uwn_image_information *(*entry)(uwn_control_block *, void *) =
      (const uwn_image_information *(*)(uwn_control_block *, void *))dlsym(module, "mcn_main");
  if (entry == NULL) {
    fprintf(stderr, "minimal_host: %s has no image entry\n", argv[1]);
    return 1;
  }
  const uwn_image_information *image = entry(&gcb, NULL);
  if (memcmp(image->eye_catcher, UWN_IMAGE_EYE_CATCHER, 22) != 0 || image->magic != UWN_IMAGE_MAGIC) {
    fprintf(stderr, "minimal_host: %s is not an image of this host\n", argv[1]);
    return 1;
  }
  const uwn_entry_descriptor *family = NULL;
  for (const uwn_entry_descriptor *const *e = image->entries; *e != NULL; ++e) {
    if (strncmp((*e)->name, "uwinldat", sizeof(*e)->name) == 0) family = *e;
  }
  if (family == NULL) {
    fprintf(stderr, "minimal_host: no entry named uwinldat\n");
    return 1;
  }

  /* Describe and bind: row k of the item table goes with slot k + 1. */
  const uwn_family_description *description = family->routine(UWN_REQUEST_DESCRIBE);
  uwn_informat_fn *routines = family->routine(UWN_REQUEST_BIND);
  uwn_informat_fn nldate_fn = NULL;
  for (int k = 0; k < description->count; ++k) {
    if (strcmp(description->items[k].name, "@NLDATE") == 0) nldate_fn = routines[k + 1];
  }
  if (nldate_fn == NULL) {
    fprintf(stderr, "minimal_host: no informat NLDATE\n");
    return 1;
  }

  /* Read the field. */
  double value = 0;
  uwn_informat_block block;
  memset(&block, 0, sizeof block);
  block.width = 10;
  block.text = field;
  block.text_length = (int32_t)strlen(field);
  block.result = &value;
  const int32_t status = nldate_fn(&block);
  /* The two registration blocks are the host's: it frees them. */
  free((void *)description);
  free(routines);
  if (status != 0) {
    fprintf(stderr, "minimal_host: NLDATE cannot read '%s'\n", field);
    return 1;
  }
  printf("%s -> %.0f\n", field, value);
  return 0;
}
