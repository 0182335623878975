/*
 * uwinldat.h - the interface between the uwinldat module and its host.
 *
 * Every record that the module and a host share is laid out here, with each
 * offset and size pinned, followed by the host services the module calls
 * (reached through the module's service stubs) and the module's exported
 * routines.  The header is C and C++; all integers are little-endian and all
 * addresses 64-bit.
 *
 * Values:
 *   date value      double, days since 1 January 1960 (day 0);
 *                   accepted range [UWN_FIRST_DATE, UWN_DATE_LIMIT)
 *   datetime value  double, seconds since 1960-01-01 00:00:00 (date * 86400 + time);
 *                   accepted range [UWN_FIRST_DATETIME, UWN_DATETIME_LIMIT)
 *   time value      double, seconds since midnight, 0 or more
 *   missing value   any double whose top 16 bits are all ones
 */
#ifndef UWINLDAT_H
#define UWINLDAT_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define UWN_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define UWN_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ------------------------------------------------------------------------ */
/* Host control block                                                        */
/* ------------------------------------------------------------------------ */

/* GCB_TSSVEC, the offset of the byte array each stub clears, comes with the
 * service list. */
#include "uwinldat_services.def"

/* Vector numbers of the host service vectors. */
enum {
  UWN_VECTOR_TOOLKIT = 0,
  UWN_VECTOR_LOCALE = 4,
  UWN_VECTOR_KERNEL = 30,
  UWN_VECTOR_CALENDAR = 155,
  UWN_VECTOR_COUNT = 156
};

/* A host memory pool: its first 8 bytes hold the address of its allocation
 * routine, called with the pool, a size in bytes and flags. */
typedef struct uwn_memory_pool uwn_memory_pool;
typedef void *(*uwn_pool_allocate_fn)(uwn_memory_pool *pool, uint64_t size, uint32_t flags);
struct uwn_memory_pool {
  uwn_pool_allocate_fn allocate; /* 0 */
};
UWN_STATIC_ASSERT(offsetof(uwn_memory_pool, allocate) == 0, "pool routine");

/* Flags the module passes with every allocation of a registration block. */
#define UWN_POOL_FLAGS 0x2006u

/* Host record that holds the current locale handle at offset 272. */
typedef struct uwn_locale_holder {
  uint8_t host_272[272];
  void *current_locale; /* 272: locale handle of the current locale */
} uwn_locale_holder;
UWN_STATIC_ASSERT(offsetof(uwn_locale_holder, current_locale) == 272, "locale handle");
UWN_STATIC_ASSERT(sizeof(uwn_locale_holder) == 280, "locale holder size");

/* Host record that holds the standard missing value at offset 368. */
typedef struct uwn_missing_holder {
  uint8_t host_368[368];
  double missing; /* 368: the standard missing value */
} uwn_missing_holder;
UWN_STATIC_ASSERT(offsetof(uwn_missing_holder, missing) == 368, "missing value");
UWN_STATIC_ASSERT(sizeof(uwn_missing_holder) == 376, "missing holder size");

/* Character class bits of the table at offset 64. */
#define UWN_CLASS_LOWER 2u
#define UWN_CLASS_DIGIT 4u

/* The host control block: only the fields the module reads are named. */
typedef struct uwn_control_block {
  void *const *const *vectors;             /* 0: vector table: vectors[v][slot] */
  uint8_t *tssvec;                         /* 8: GCB_TSSVEC byte array, indexed by vector */
  uint8_t host_16[16];                     /* 16 */
  const uwn_locale_holder *locale_holder;  /* 32 */
  uint8_t host_40[8];                      /* 40 */
  const uint8_t *upper;                    /* 48: 256-byte upper-case translation table */
  uint8_t host_56[8];                      /* 56 */
  const uint8_t *char_class;               /* 64: 256-byte character class table */
  const uwn_missing_holder *missing_holder; /* 72 */
  uwn_memory_pool *pool;                   /* 80: host memory pool */
  uint8_t host_88[568];                    /* 88 */
  uint64_t kernel_handle;                  /* 656 */
} uwn_control_block;
UWN_STATIC_ASSERT(offsetof(uwn_control_block, vectors) == 0, "vectors");
UWN_STATIC_ASSERT(offsetof(uwn_control_block, tssvec) == GCB_TSSVEC, "tssvec");
UWN_STATIC_ASSERT(offsetof(uwn_control_block, locale_holder) == 32, "locale holder");
UWN_STATIC_ASSERT(offsetof(uwn_control_block, upper) == 48, "upper table");
UWN_STATIC_ASSERT(offsetof(uwn_control_block, char_class) == 64, "class table");
UWN_STATIC_ASSERT(offsetof(uwn_control_block, missing_holder) == 72, "missing holder");
UWN_STATIC_ASSERT(offsetof(uwn_control_block, pool) == 80, "pool");
UWN_STATIC_ASSERT(offsetof(uwn_control_block, kernel_handle) == 656, "kernel handle");
UWN_STATIC_ASSERT(sizeof(uwn_control_block) == 664, "control block size");

/* ------------------------------------------------------------------------ */
/* Locale data                                                               */
/* ------------------------------------------------------------------------ */

/* Number-convention record, reached from the entry of a numeric locale item. */
typedef struct uwn_number_convention {
  char currency[50];         /* 0: currency text, NUL-terminated (UTF-8) */
  char decimal_separator;    /* 50 */
  uint8_t host_51;
  char grouping_separator;   /* 52 */
  uint8_t host_53[67];
  char positive_sign;        /* 120: NUL means none */
  uint8_t host_121;
  char negative_sign;        /* 122: NUL means none */
  uint8_t host_123[13];
  int32_t positive_style;    /* 136: 0 = positive amounts may stand in parentheses */
  uint8_t host_140[8];
  int32_t negative_style;    /* 148: 0 = negative amounts stand in parentheses */
} uwn_number_convention;
UWN_STATIC_ASSERT(offsetof(uwn_number_convention, decimal_separator) == 50, "decimal");
UWN_STATIC_ASSERT(offsetof(uwn_number_convention, grouping_separator) == 52, "grouping");
UWN_STATIC_ASSERT(offsetof(uwn_number_convention, positive_sign) == 120, "positive sign");
UWN_STATIC_ASSERT(offsetof(uwn_number_convention, negative_sign) == 122, "negative sign");
UWN_STATIC_ASSERT(offsetof(uwn_number_convention, positive_style) == 136, "positive style");
UWN_STATIC_ASSERT(offsetof(uwn_number_convention, negative_style) == 148, "negative style");
UWN_STATIC_ASSERT(sizeof(uwn_number_convention) == 152, "number convention size");

/* Locale text entry, 152 bytes: what wzsxglc yields for an item.  The text
 * runs from offset 12; an entry of a numeric item holds the address of its
 * number-convention record at offset 144.  (A host may let the text of a
 * non-numeric item run on to 140 bytes, over that field; the module reads the
 * text through its address and length only.  The reference host keeps every
 * text within 132 bytes.) */
#define UWN_ENTRY_SIZE 152
#define UWN_ENTRY_TEXT_MAX 132
typedef struct uwn_locale_entry {
  uint8_t host_0[8];
  int32_t length;                           /* 8: text length in bytes */
  char text[UWN_ENTRY_TEXT_MAX];            /* 12: the text, not terminated */
  const uwn_number_convention *convention;  /* 144: numeric items only */
} uwn_locale_entry;
UWN_STATIC_ASSERT(offsetof(uwn_locale_entry, length) == 8, "entry length");
UWN_STATIC_ASSERT(offsetof(uwn_locale_entry, text) == 12, "entry text");
UWN_STATIC_ASSERT(offsetof(uwn_locale_entry, convention) == 144, "entry record");
UWN_STATIC_ASSERT(sizeof(uwn_locale_entry) == UWN_ENTRY_SIZE, "entry size");

/* Locale item numbers. */
enum {
  UWN_ITEM_DATE_1 = 28,       /* NLDATE first pattern */
  UWN_ITEM_DATE_2 = 29,       /* NLDATE second pattern */
  UWN_ITEM_DATETIME_AP = 30,  /* NLDATMAP pattern */
  UWN_ITEM_DATETIME_1 = 31,   /* NLDATM first pattern */
  UWN_ITEM_DATETIME_2 = 32,   /* NLDATM and NLDATMAP second pattern */
  UWN_ITEM_DATETIME_W1 = 33,  /* NLDATMW first pattern */
  UWN_ITEM_DATETIME_W2 = 34,  /* NLDATMW second pattern */
  UWN_ITEM_TIME_1 = 35,       /* time patterns: parsed without a date */
  UWN_ITEM_TIME_2 = 36,
  UWN_ITEM_DATE_W1 = 37,      /* NLDATEW first pattern */
  UWN_ITEM_DATE_W2 = 38,      /* NLDATEW second pattern */
  UWN_ITEM_MONTH_ABBR = 50,   /* 12 entries, January first */
  UWN_ITEM_MONTH = 62,        /* 12 entries */
  UWN_ITEM_WEEKDAY_ABBR = 74, /* 7 entries, Sunday first */
  UWN_ITEM_WEEKDAY = 81,      /* 7 entries, Sunday first */
  UWN_ITEM_AM = 88,
  UWN_ITEM_PM = 89,
  UWN_ITEM_QUARTER_ABBR = 90, /* 4 entries */
  UWN_ITEM_QUARTER = 94,      /* 4 entries */
  UWN_ITEM_NUMBER = 111,      /* number-convention items */
  UWN_ITEM_PERCENT = 112,
  UWN_ITEM_MONEY_LOCAL = 113,
  UWN_ITEM_MONEY_INTL = 114
};

/* Host text descriptor: how the host's multibyte services walk a text. */
typedef struct uwn_text_descriptor {
  int16_t capacity;    /* 0: capacity in bytes */
  int16_t length;      /* 2: length in bytes; after wzsxmov, bytes written */
  uint8_t unset_4[4];
  const char *text;    /* 8 */
  int16_t last_offset; /* 16: offset of the character last examined */
  int16_t last_length; /* 18: byte length of that character */
  int16_t host_20;     /* 20: 0 at set-up */
  uint8_t unset_22[2];
  uint64_t host_24;    /* 24: 0 at set-up */
} uwn_text_descriptor;
UWN_STATIC_ASSERT(offsetof(uwn_text_descriptor, length) == 2, "descriptor length");
UWN_STATIC_ASSERT(offsetof(uwn_text_descriptor, text) == 8, "descriptor text");
UWN_STATIC_ASSERT(offsetof(uwn_text_descriptor, last_offset) == 16, "descriptor offset");
UWN_STATIC_ASSERT(offsetof(uwn_text_descriptor, last_length) == 18, "descriptor char");
UWN_STATIC_ASSERT(offsetof(uwn_text_descriptor, host_20) == 20, "descriptor word");
UWN_STATIC_ASSERT(offsetof(uwn_text_descriptor, host_24) == 24, "descriptor word");
UWN_STATIC_ASSERT(sizeof(uwn_text_descriptor) == 32, "descriptor size");

/* The longest text a descriptor can describe. */
#define UWN_DESCRIPTOR_MAX 32767

/* ------------------------------------------------------------------------ */
/* Informat argument block                                                   */
/* ------------------------------------------------------------------------ */

#define UWN_BLOCK_CHECK 1u /* flags bit 0: validate width and decimals */

typedef struct uwn_informat_block {
  int32_t width;           /* 0 */
  int32_t decimals;        /* 4 */
  const char *text;        /* 8: the field, not terminated */
  int32_t text_length;     /* 16 */
  uint8_t host_20[4];
  double *result;          /* 24: receives the value */
  uint8_t host_32[4];
  int32_t reported_length; /* 36 */
  uint8_t host_40[16];
  uint8_t flags;           /* 56 */
  uint8_t host_57[7];
} uwn_informat_block;
UWN_STATIC_ASSERT(offsetof(uwn_informat_block, decimals) == 4, "decimals");
UWN_STATIC_ASSERT(offsetof(uwn_informat_block, text) == 8, "text");
UWN_STATIC_ASSERT(offsetof(uwn_informat_block, text_length) == 16, "text length");
UWN_STATIC_ASSERT(offsetof(uwn_informat_block, result) == 24, "result");
UWN_STATIC_ASSERT(offsetof(uwn_informat_block, reported_length) == 36, "reported length");
UWN_STATIC_ASSERT(offsetof(uwn_informat_block, flags) == 56, "flags");
UWN_STATIC_ASSERT(sizeof(uwn_informat_block) == 64, "block size");

/* An informat routine: 0 when the value is stored, nonzero when not read. */
typedef int32_t (*uwn_informat_fn)(uwn_informat_block *block);

/* ------------------------------------------------------------------------ */
/* Image records and informat registration                                   */
/* ------------------------------------------------------------------------ */

typedef void *(*uwn_entry_fn)(int32_t request);

typedef struct uwn_entry_descriptor {
  uint8_t marker[8];     /* 0: 00 00 FF FF FF FF FF FF */
  uint64_t value_8;      /* 8: 0x400 */
  uint64_t value_16;     /* 16: 0x400 */
  char name[16];         /* 24: entry name, NUL-padded */
  uwn_entry_fn routine;  /* 40 */
  uint64_t value_48;     /* 48: 1 */
  uint64_t value_56;     /* 56: 9683 */
  uint64_t value_64;     /* 64: 0x2001B585 */
  uint64_t value_72;     /* 72: 15 */
} uwn_entry_descriptor;
UWN_STATIC_ASSERT(offsetof(uwn_entry_descriptor, name) == 24, "entry name");
UWN_STATIC_ASSERT(offsetof(uwn_entry_descriptor, routine) == 40, "entry routine");
UWN_STATIC_ASSERT(offsetof(uwn_entry_descriptor, value_72) == 72, "entry 72");
UWN_STATIC_ASSERT(sizeof(uwn_entry_descriptor) == 80, "entry descriptor size");

#define UWN_IMAGE_EYE_CATCHER "TOV_Image_Information="
#define UWN_IMAGE_MAGIC 0xB0BDEBEDu

typedef struct uwn_image_information {
  char eye_catcher[24];  /* 0: "TOV_Image_Information=" and two NULs */
  uint32_t magic;        /* 24: 0xB0BDEBED */
  uint32_t zero_28;      /* 28 */
  uint64_t eight;        /* 32: 8 */
  char release[6];       /* 40: "d.dd", NUL-padded */
  char build_id[20];     /* 46: 16 characters, NUL-padded */
  char build_date[12];   /* 66: "Mmm dd yyyy" and a NUL */
  uint8_t zero_78[18];   /* 78 */
  const uwn_entry_descriptor *const *entries; /* 96: null-terminated list */
  const char *notice;    /* 104: NUL-terminated */
  char level[8];         /* 112: "001", NUL-padded */
} uwn_image_information;
UWN_STATIC_ASSERT(offsetof(uwn_image_information, magic) == 24, "magic");
UWN_STATIC_ASSERT(offsetof(uwn_image_information, eight) == 32, "eight");
UWN_STATIC_ASSERT(offsetof(uwn_image_information, release) == 40, "release");
UWN_STATIC_ASSERT(offsetof(uwn_image_information, build_id) == 46, "build id");
UWN_STATIC_ASSERT(offsetof(uwn_image_information, build_date) == 66, "build date");
UWN_STATIC_ASSERT(offsetof(uwn_image_information, zero_78) == 78, "zero 78");
UWN_STATIC_ASSERT(offsetof(uwn_image_information, entries) == 96, "entries");
UWN_STATIC_ASSERT(offsetof(uwn_image_information, notice) == 104, "notice");
UWN_STATIC_ASSERT(offsetof(uwn_image_information, level) == 112, "level");
UWN_STATIC_ASSERT(sizeof(uwn_image_information) == 120, "image information size");

/* Requests of the informat-family entry. */
enum { UWN_REQUEST_DESCRIBE = 1, UWN_REQUEST_BIND = 2 };

/* Informat item descriptor: one row of the informat item table. */
typedef struct uwn_informat_item {
  char name[38];          /* 0: "@" and the name in upper case, NUL-padded */
  uint16_t min_width;     /* 38 */
  uint16_t max_width;     /* 40 */
  uint16_t default_width; /* 42 */
  uint8_t zero_44[10];    /* 44 */
} uwn_informat_item;
UWN_STATIC_ASSERT(offsetof(uwn_informat_item, min_width) == 38, "min width");
UWN_STATIC_ASSERT(offsetof(uwn_informat_item, max_width) == 40, "max width");
UWN_STATIC_ASSERT(offsetof(uwn_informat_item, default_width) == 42, "default width");
UWN_STATIC_ASSERT(sizeof(uwn_informat_item) == 54, "informat item size");

#define UWN_INFORMAT_COUNT 5

/* Family description block: the answer to the describe request. */
typedef struct uwn_family_description {
  int32_t count;                  /* 0 */
  uint8_t unset_4[4];
  const uwn_informat_item *items; /* 8 */
} uwn_family_description;
UWN_STATIC_ASSERT(offsetof(uwn_family_description, items) == 8, "items");
UWN_STATIC_ASSERT(sizeof(uwn_family_description) == 16, "family description size");

/* Routine vector block: the answer to the bind request, (n + 1) slots;
 * slot k (1..n) holds the routine of item row k, slot 0 is not written. */

/* Fatal exit code: no memory for a registration block. */
#define UWN_EXIT_NO_MEMORY 1016

/* ------------------------------------------------------------------------ */
/* Host services, reached through the module's stubs                         */
/* (name, vector/slot and prototype: uwinldat_services.def).  Each stub is   */
/* exported under both names, e.g. zmdy and _zmdy_155_11.  Calendar services */
/* take and return doubles.                                                  */
/* ------------------------------------------------------------------------ */

#define UWN_SERVICE(name, vector, slot, type, params) type name params;
#include "uwinldat_services.def"
#undef UWN_SERVICE

/* The number of services: the rows of the list. */
enum {
  UWN_SERVICE_COUNT = 0
#define UWN_SERVICE(name, vector, slot, type, params) +1
#include "uwinldat_services.def"
#undef UWN_SERVICE
};

/* ------------------------------------------------------------------------ */
/* Image entry                                                               */
/* ------------------------------------------------------------------------ */

extern uint64_t v_global_gcb_anchor;  /* the control block address */
extern uint64_t v_global_pidb_anchor; /* the host's per-image data anchor */
extern uint64_t Exported_TKHandle;    /* the kernel handle */

extern const uwn_image_information vi_mcn;
extern const uwn_entry_descriptor *const mcn_pcns[2];
extern const uwn_entry_descriptor pcn_UWINLDAT;
extern const uwn_informat_item fmtitems[UWN_INFORMAT_COUNT];

const uwn_image_information *mcn_main(uwn_control_block *gcb, void *pidb);
void himodcn(void);

/* Informat-family entry: request 1 describe, 2 bind; other requests null. */
void *uwinldat(int32_t request);
void *xfmfent(int32_t request, int32_t count, const uwn_informat_item *items,
              const uwn_informat_fn *routines);

/* ------------------------------------------------------------------------ */
/* Informats: 0 value stored, 1 not read                                     */
/* ------------------------------------------------------------------------ */

int32_t nldate(uwn_informat_block *block);
int32_t nldatm(uwn_informat_block *block);
int32_t nldatew(uwn_informat_block *block);
int32_t nldatmw(uwn_informat_block *block);
int32_t nldatmap(uwn_informat_block *block);

/* ------------------------------------------------------------------------ */
/* Text utilities                                                            */
/* ------------------------------------------------------------------------ */

int32_t wzmis(double x);
int32_t wzstcom(const char *a, int32_t length_a, const char *b, int32_t length_b);
int32_t wzstdel(char *text, int32_t length, const char *set, int32_t set_length);
void wzstjls(char *text, int32_t width, char letter, int32_t *content_length,
             int32_t *content_start);
int32_t wzstlen(const char *text);
int32_t wzstpos(const char *text, int32_t length, int32_t byte);
int32_t wzstrip(const char *text, int32_t length);
int32_t min(int32_t a, int32_t b);

/* ------------------------------------------------------------------------ */
/* Date and time: statuses                                                   */
/* ------------------------------------------------------------------------ */

/* The accepted range: dates from 1 January 1582 (UWN_FIRST_DATE) up to, not
 * including, UWN_DATE_LIMIT (the day after 26 December 20000); datetimes the
 * same days in seconds.  Years as read from text: UWN_FIRST_YEAR to
 * UWN_LAST_YEAR. */
#define UWN_FIRST_DATE (-138061)
#define UWN_DATE_LIMIT 6589336
#define UWN_SECONDS_PER_DAY 86400
#define UWN_FIRST_DATETIME (-11928470400LL)
#define UWN_DATETIME_LIMIT 569318630400LL
#define UWN_FIRST_YEAR 1582
#define UWN_LAST_YEAR 20000
UWN_STATIC_ASSERT(UWN_FIRST_DATETIME == UWN_FIRST_DATE * (long long)UWN_SECONDS_PER_DAY, "first datetime");
UWN_STATIC_ASSERT(UWN_DATETIME_LIMIT == UWN_DATE_LIMIT * (long long)UWN_SECONDS_PER_DAY, "datetime limit");

enum {
  UWN_OK = 0,
  UWN_TRUNCATED = 1,       /* the expansion was cut to its field */
  UWN_NO_ITEM = -1,        /* the locale does not have the pattern item */
  UWN_BAD_DIRECTIVE = -2,  /* a bad directive in a pattern (writing side) */
  UWN_NO_VALUE = -3        /* missing, out of range, or text does not fit */
};

/* Reading by a pattern given as text (pattern, its length) or, with a null
 * pattern, as a locale item number.  The result is written only on 0. */
int32_t zkpdate(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                double *result);
int32_t zkpdttm(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                double *result);
int32_t zkptime(const char *text, int32_t length, const char *pattern, int32_t pattern_length,
                double *result);

/* Locale item access. */
int32_t zkgetloc(int32_t item, char *dest, int32_t *length, const char *default_text,
                 int32_t default_length);
int32_t zksetloc(int32_t item, const char *text, int32_t length);

/* Writing by a pattern; width is in/out (negative: right-aligned). */
/* A width of INT32_MIN has no field size: UWN_NO_VALUE, nothing written. */
int32_t zkfdate(char *dest, int32_t *width, const char *pattern, int32_t pattern_length,
                double date);
int32_t zkfdttm(char *dest, int32_t *width, const char *pattern, int32_t pattern_length,
                double datetime);
int32_t zkrfdttm(void *locale, char *dest, int32_t *width, const char *pattern,
                 int32_t pattern_length, double datetime);
int32_t zkftime(char *dest, int32_t *width, const char *pattern, int32_t pattern_length,
                double time);
void zkmove(const char *source, int32_t source_length, char *dest, int32_t dest_length);

/* Week dates; rule is 'U', 'V' or 'W' (rule_length is not read). */
enum {
  UWN_WEEK_OUT_OF_RANGE = 1, /* zkifweek: a year, week, day or date out of range */
  UWN_WEEK_MALFORMED = -1,   /* zkifweek: text not of the form, or an unknown rule */
  UWN_NO_WEEK_DESIGNATOR = (-2147483647 - 1) /* zkifweek: no 'W' in the text */
};
int32_t zkfweek(char *dest, int32_t *width, const char *rule, int32_t rule_length, double date);
/* unused is not read. */
int32_t zkweek(double *week, void *unused, const char *rule, int32_t rule_length, double date);
/* value: in, first year of the two-digit year window (0: 1900); out, the date. */
int32_t zkifweek(const char *text, int32_t length, const char *rule, int32_t rule_length,
                 double *value);

/* ------------------------------------------------------------------------ */
/* Numbers                                                                   */
/* ------------------------------------------------------------------------ */

enum {
  UWN_NUM_WIDTH_LOW = (int32_t)0x80002027,     /* check flag: width <= 0 */
  UWN_NUM_WIDTH_HIGH = (int32_t)0x80002028,    /* check flag: width > 32 */
  UWN_NUM_DECIMALS_LOW = (int32_t)0x80002029,  /* check flag: decimals < 0 */
  UWN_NUM_DECIMALS_HIGH = (int32_t)0x8000202A, /* check flag: decimals > 31 */
  UWN_NUM_MISPLACED_PAREN = (int32_t)0x8001D823, /* "(" after the first character */
  UWN_NUM_SIGNS_ONLY = (int32_t)0x8001D828,    /* nothing but sign characters */
  UWN_NUM_NO_ITEM = -1,          /* zkif*: wzsxglc does not have the item */
  UWN_NUM_NO_CONVENTIONS = -2    /* zkif*: no number-convention record to read by */
};

int32_t zifmcma(uwn_informat_block *block);
int32_t zifmpct(uwn_informat_block *block);

/* Locale number, money and percent readers.  The first two arguments are not
 * read; callers pass null as the third.  -1: the item cannot be fetched;
 * -2: a non-null third argument, an item number not above 0, a money item
 * other than 113 or 114, or an item without a record (the block untouched). */
int32_t zkifnum(intptr_t unused1, intptr_t unused2, const void *reserved, int32_t item,
                uwn_informat_block *block);
int32_t zkifmny(intptr_t unused1, intptr_t unused2, const void *reserved, int32_t item,
                uwn_informat_block *block);
int32_t zkifpct(intptr_t unused1, intptr_t unused2, const void *reserved, int32_t item,
                uwn_informat_block *block);

#ifdef __cplusplus
}
#endif

#endif /* UWINLDAT_H */
