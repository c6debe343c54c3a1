// imbrino-cli: the stamping engine from a terminal.

#include <CLI/CLI.hpp>
#include <iostream>

#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Imbrino: stamp a template of text and pictures onto pictures.", "imbrino-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "imbrino-cli 3.7");

  std::string infoPath;
  CLI::App* info =
      app.add_subcommand("info", "Print a template (.src) or a picture file as JSON.");
  info->add_option("FILE", infoPath, "a .src template or a BMP, JPEG, GIF or PNG picture")
      ->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return imbrino::cli::kExitUsage;
  }

  if (info->parsed()) return imbrino::cli::runInfo(infoPath);
  return imbrino::cli::kExitUsage;
}
