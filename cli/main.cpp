// folio: the command-line face of the library.
#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
  CLI::App app{"folio - merge, split, rewrite and secure PDF files"};
  app.set_version_flag("--version", std::string("folio ") + FOLIO_VERSION);
  app.require_subcommand(0, 1);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  if (argc == 1) std::cout << app.help();
  return 0;
}
