// update, the updater: started by Imbrino when a newer version is announced,
// it downloads the new files and puts them in place beside itself.
#include "updater/updater_program.h"

int main(int argc, char** argv) { return imbrino::runUpdater(argc, argv); }
