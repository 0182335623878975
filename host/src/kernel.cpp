// Kernel services: fatal exit, options, and integer formatting.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "host_internal.h"
#include "nlhost/host.h"
#include "services.h"

using namespace nlhost;

extern "C" void nlhost_svc_xexit(int32_t code, int32_t detail) noexcept {
  Host *host = current_host();
  if (host == nullptr) {
    std::fprintf(stderr, "nlhost: fatal exit requested with no host: code %d, detail %d\n", code, detail);
    std::abort();
  }
  HostAccess::exit(*host, code, detail);
}

namespace {

// A NUL-terminated name or format as the services read it: at most 64 bytes.
std::string_view bounded(const char *text) {
  return text != nullptr ? std::string_view(text, strnlen(text, 64)) : std::string_view();
}

// The formatting of xpslstr, for both of its copies.
int32_t format_values(char *dest, int32_t room, const char *format, va_list args) {
  if (dest == nullptr || format == nullptr || room <= 0) return 0;
  int32_t written = 0;
  auto put = [&](const char *bytes, size_t n) {
    for (size_t i = 0; i < n && written < room; ++i) dest[written++] = bytes[i];
  };
  for (const char *f = format; *f != '\0' && written < room; ++f) {
    if (f[0] == '%' && (f[1] == 'i' || f[1] == 'd')) {
      char digits[16];
      const int n = std::snprintf(digits, sizeof digits, "%d", va_arg(args, int));
      put(digits, static_cast<size_t>(n));
      ++f;
    } else if (f[0] == '%' && f[1] == '%') {
      put("%", 1);
      ++f;
    } else {
      put(f, 1);
    }
  }
  return written;
}

}  // namespace

// Nonzero when the option named by the NUL-terminated name is on.  The result
// slot is set to the same answer (the module does not read it).
extern "C" int32_t nlhost_svc_xoptbgt(const char *name, void *result) noexcept {
  Host *host = current_host();
  const std::string_view option = bounded(name);
  const bool on = host != nullptr && host->option(option);
  if (result != nullptr) {
    const uint64_t answer = on ? 1 : 0;
    std::memcpy(result, &answer, sizeof answer);
  }
  return on ? 1 : 0;
}

// Formats the variadic values by format into dest, at most room bytes, no
// terminator; answers the bytes written.  "%i" and "%d" take an int, "%%" is
// a percent sign, every other byte is copied.  count is the module's count of
// what follows the format; only the directives decide what is read.
extern "C" int32_t nlhost_svc_xpslstr(void *, char *dest, int32_t room, const char *format, int32_t count,
                                      ...) noexcept {
  va_list args;
  va_start(args, count);
  const int32_t written = format_values(dest, room, format, args);
  va_end(args);
  return written;
}

// The watched kernel services: each call recorded (xexit its code, xoptbgt
// its option, xpslstr its count and format), none failed.

extern "C" void nlhost_watched_xexit(int32_t code, int32_t detail) noexcept {
  watch_record("xexit", code);
  nlhost_svc_xexit(code, detail);
}

extern "C" int32_t nlhost_watched_xoptbgt(const char *name, void *result) noexcept {
  watch_record("xoptbgt", 0, bounded(name));
  return nlhost_svc_xoptbgt(name, result);
}

extern "C" int32_t nlhost_watched_xpslstr(void *, char *dest, int32_t room, const char *format, int32_t count,
                                          ...) noexcept {
  watch_record("xpslstr", count, bounded(format));
  va_list args;
  va_start(args, count);
  const int32_t written = format_values(dest, room, format, args);
  va_end(args);
  return written;
}
