// The title that the biometric and confirm screens show, as the host app words it. It is read each
// time a QORAuthData is made, so a new text takes effect for screens built after the assignment.
//
// The host app assigns a text that outlives the screens (a literal, typically), on the main queue:
//   qor::confirmationDescriptionText = "Hello,\nplease approve this.";
// The title is styled by character position (QORAuthData.h); a null pointer counts as an empty text.
#pragma once

#include <atomic>

namespace qor {

// Initially "Hi there,\ncould you please yuvo this?".
extern std::atomic<const char*> confirmationDescriptionText;

}  // namespace qor
