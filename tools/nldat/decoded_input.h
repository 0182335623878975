// nldat: inputs in other encodings.  Every command reads UTF-8; an input in
// another encoding (--encoding NAME, or --encoding auto and the detector's
// guess) is decoded by a thread of its own into a pipe, which the command
// reads as it reads any file.  Decoding stops at the first sequence the
// encoding cannot convert, after handing on every whole line before it, so
// that no field is read from a line cut short or from a substitute.
#ifndef NLDAT_DECODED_INPUT_H
#define NLDAT_DECODED_INPUT_H

#include <string>

namespace nldat {

// How the job's inputs are encoded: "" (UTF-8, checked by the commands),
// "auto" (detected input by input), or any ICU converter name or alias.
// False and *error set when ICU knows no such name.
bool set_input_encoding(const std::string &name, std::string *error);
// The name given to set_input_encoding ("" for UTF-8).
const std::string &input_encoding();

// fd, the input named name, as UTF-8: fd itself when it is UTF-8 already,
// else the read end of a pipe that a thread fills with the decoded text.
// *owned tells on return whether the caller closes the descriptor it gets;
// the thread closes fd when it was owned.  -1 after printing why the input
// cannot be decoded.
int decoded_input(int fd, bool *owned, const std::string &name);

// Waits for every decoding thread; false when one stopped early (each has
// printed where and why).  The commands' readers must have closed their
// descriptors first.
bool finish_decoding();

}  // namespace nldat

#endif
