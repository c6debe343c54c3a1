#include "shared/resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE names a function at global scope.
static void registerImbrinoResources() {
  Q_INIT_RESOURCE(imbrino);
}

namespace imbrino {

void loadProgramResources() {
  static const bool loaded = (registerImbrinoResources(), true);
  (void)loaded;
}

}  // namespace imbrino
