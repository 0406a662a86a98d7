#include "builders/projector_builder.h"

#include "builders/projector_layout.h"

namespace builders {

const OutputKind kProjectorOutput{kProjectorExtension, "player", kProjectorImageSize, composeProjectorFile,
                                  kProjectorSuccess, /*busyBeforeImage=*/true, /*barBeforeSuccess=*/true};

}  // namespace builders
