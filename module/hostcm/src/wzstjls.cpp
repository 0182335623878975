// wzstjls: justifies a field's content (first to last non-blank byte) within
// the field's own width by the letter L, R or C (either case); any other
// letter leaves it where it is.  Stores the content length and start through
// the addresses that are not null.
#include "uwn_module.h"

extern "C" void wzstjls(char *text, int32_t width, char letter, int32_t *content_length,
                        int32_t *content_start) {
  int32_t start = 0;
  while (start < width && text[start] == ' ') ++start;
  if (width <= 0 || start == width) {
    if (content_length != nullptr) *content_length = 0;
    if (content_start != nullptr) *content_start = 0;
    return;
  }
  const int32_t end = wzstrip(text, width);  // one past the last non-blank byte
  const int32_t length = end - start;
  int32_t target = start;
  switch (letter) {
    case 'L': case 'l': target = 0; break;
    case 'R': case 'r': target = width - length; break;
    case 'C': case 'c': target = width - (width + length + 1) / 2; break;
    default: break;
  }
  if (target != start) {
    std::memmove(text + target, text + start, static_cast<size_t>(length));
    std::memset(text, ' ', static_cast<size_t>(target));
    std::memset(text + target + length, ' ', static_cast<size_t>(width - target - length));
  }
  if (content_length != nullptr) *content_length = length;
  if (content_start != nullptr) *content_start = target;
}
