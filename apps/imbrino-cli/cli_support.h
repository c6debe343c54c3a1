#pragma once
// What several subcommands share: reading their inputs and checking their
// outputs, each with the one-line message the command line prints.

#include <string>

#include "template/template_document.h"

namespace imbrino::cli {

// Prints "imbrino-cli: MESSAGE" on standard error.
void reportFailure(const std::string& message);

// Reads a template; on failure reports "cannot read the template: PATH: REASON".
bool loadTemplate(const std::string& path, Template& document);

// True when the extension of `path` names a format pictures can be saved in;
// otherwise reports why. Checked before any work, so that a mistyped output
// name fails at once and writes nothing.
bool checkOutputType(const std::string& path);

// Makes the output folder (with its parents) when it is missing, and refuses
// at once one that cannot be made or written into, rather than failing every
// file. Checked after the template, so a refused run has written nothing.
bool prepareOutputFolder(const std::string& folder);

}  // namespace imbrino::cli
