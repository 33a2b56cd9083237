// folio: the command-line face of the library. Every operation is a subcommand; the
// library does the work, this file only parses, reports and maps failures to exit codes.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "CliCleanup.h"
#include "CliCommands.h"

int main(int argc, char** argv) {
  // Named here: the help shows "folio", not the path the program was started by.
  CLI::App app{
      "folio - merge, split, rotate, rewrite and protect PDF files.\n"
      "Inputs are never modified; an output is written only when the whole operation succeeded.\n"
      "FILE may be - to read standard input; -o - writes the PDF to standard output.",
      "folio"};
  app.set_version_flag("--version", std::string("folio ") + FOLIO_VERSION);
  app.require_subcommand(1);
  app.fallthrough();
  folio::Commands commands;
  commands.Register(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    std::cout << app.help("", CLI::AppFormatMode::All);
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::cout << "folio " << FOLIO_VERSION << "\n";
    return 0;
  } catch (const CLI::RequiredError& e) {
    if (argc == 1) {
      std::cout << app.help();
      return 0;
    }
    // "A subcommand is required" would mislead someone who misspelled the command.
    std::string first = argv[1];
    bool known = !app.get_subcommands([&first](CLI::App* sub) { return sub->check_name(first); }).empty();
    if (!known && !first.empty() && first[0] != '-') {
      std::cerr << "folio: unknown command '" << folio::OneLine(first) << "'\n" << folio::kUsageHint << "\n";
      return 2;
    }
    std::cerr << "folio: " << e.what() << "\n" << folio::kUsageHint << "\n";
    return 2;
  } catch (const CLI::ParseError& e) {
    std::cerr << "folio: " << e.what() << "\n" << folio::kUsageHint << "\n";
    return 2;
  }
  folio::cleanup::InstallHandlers();
  int rc = commands.Run();
#if !defined(__SANITIZE_ADDRESS__)
  // Everything is written and flushed; the operating system reclaims the documents'
  // memory far faster than freeing them one object at a time.
  std::fflush(nullptr);
  std::_Exit(rc);
#endif
  return rc;
}
