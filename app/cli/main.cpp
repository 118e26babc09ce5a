// zentho-iap: scripted and production flashing of Orvane USB HID devices.
#include <CLI/CLI.hpp>

#include "app/cli/download_command.h"
#include "app/cli/exit_codes.h"

int main(int argc, char** argv) {
  CLI::App app{"zentho-iap: download firmware into Orvane USB HID devices"};
  app.require_subcommand(1);

  int result = zentho::cli::kExitSuccess;
  zentho::cli::DownloadOptions download;
  zentho::cli::AddDownloadCommand(app, download, result);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? zentho::cli::kExitSuccess : zentho::cli::kExitUsage;
  }
  return result;
}
