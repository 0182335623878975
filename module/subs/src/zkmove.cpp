// zkmove: copies source into a blank-padded field by whole characters: as many
// as fit, then blanks.  The host's multibyte mover decides where a character
// ends.  Its descriptors hold 16-bit lengths, so a field or source longer than
// that is cut where the longer copy would be: when the source fits the field
// outright it is copied as is, otherwise only the first 32767 bytes are
// considered.
#include "uwn_module.h"

extern "C" void zkmove(const char *source, int32_t source_length, char *dest, int32_t dest_length) {
  if (dest == nullptr || dest_length <= 0) return;
  if (source == nullptr || source_length < 0) source_length = 0;

  if (source_length <= dest_length && (source_length == 0 || dest_length > UWN_DESCRIPTOR_MAX)) {
    if (source_length > 0) std::memcpy(dest, source, static_cast<size_t>(source_length));
    std::memset(dest + source_length, ' ', static_cast<size_t>(dest_length - source_length));
    return;
  }

  const int32_t room = dest_length > UWN_DESCRIPTOR_MAX ? UWN_DESCRIPTOR_MAX : dest_length;
  uwn_text_descriptor from, to;
  uwn::describe(from, source, source_length > UWN_DESCRIPTOR_MAX ? UWN_DESCRIPTOR_MAX : source_length);
  uwn::describe(to, dest, room);
  wzsxmov(&from, -1, &to);
  int32_t placed = to.length;
  if (placed < 0 || placed > room) placed = placed < 0 ? 0 : room;
  if (placed < dest_length) std::memset(dest + placed, ' ', static_cast<size_t>(dest_length - placed));
}
