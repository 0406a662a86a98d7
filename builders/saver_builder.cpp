#include "builders/saver_builder.h"

#include "builders/saver_layout.h"

namespace builders {

const OutputKind kSaverOutput{kSaverExtension, "screensaver", kSaverHeaderSize, composeSaverFile,
                              kSaverSuccess, /*busyBeforeImage=*/false, /*barBeforeSuccess=*/false};

}  // namespace builders
