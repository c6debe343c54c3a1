// Imbrino, the desktop program: one picture with the template stamped on it,
// the template editor and the batch.
#include "main_window/application.h"

int main(int argc, char** argv) { return imbrino::runImbrino(argc, argv); }
