#include "ui/data/QORConfirmationDescription.h"

namespace qor {

// Constant-initialised: nothing runs at load.
std::atomic<const char*> confirmationDescriptionText{"Hi there,\ncould you please yuvo this?"};

}  // namespace qor
