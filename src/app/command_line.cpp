#include "app/command_line.h"

#include <cstdio>
#include <string_view>

#ifndef MC_VERSION
#define MC_VERSION "unknown"
#endif

namespace {

constexpr int kBadCommandLine = 2;

constexpr std::string_view kHelp =
    "Usage: ovk-dovaru [--simulate] [-HIDE]\n"
    "Configure the buttons, DPI levels, lighting and macros of the mouse.\n"
    "\n"
    "  --simulate   run against a simulated mouse instead of the USB device\n"
    "  -HIDE        start minimised (must come last on the line)\n"
    "  --help       print this help and exit\n"
    "  --version    print the version and exit\n"
    "\n"
    "Qt's own options (-platform, -display, -style and the like) are accepted.\n";

// Qt's options that take the next argument as their value, and those that take none.
constexpr std::string_view kQtWithValue[] = {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                                             "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-display",
                                             "-geometry", "-title", "-name", "-style", "-stylesheet", "-session",
                                             "-qmljsdebugger", "-visual", "-font", "-fn"};
constexpr std::string_view kQtFlags[] = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};

// "-x", "--x", "-x=value" all name Qt's option "-x".
std::string_view QtOptionName(std::string_view arg) {
  if (arg.starts_with("--")) arg.remove_prefix(1);
  return arg.substr(0, arg.find('='));
}

template <std::size_t N>
bool Listed(const std::string_view (&list)[N], std::string_view name) {
  for (std::string_view entry : list)
    if (entry == name) return true;
  return false;
}

CommandLine Error(std::string message) {
  CommandLine line;
  line.exitNow = true;
  line.exitCode = kBadCommandLine;
  line.output = "ovk-dovaru: " + message + "\nTry 'ovk-dovaru --help'.\n";
  return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "--simulate") {
      line.options.simulate = true;
    } else if (arg.starts_with("-HIDE")) {
      // The main window looks at the command line itself.
    } else if (arg == "--help" || arg == "-h") {
      line = CommandLine{line.options, true, true, 0, std::string(kHelp)};
      return line;
    } else if (arg == "--version") {
      line = CommandLine{line.options, true, false, 0, "ovk-dovaru " MC_VERSION "\n"};
      return line;
    } else if (Listed(kQtWithValue, QtOptionName(arg))) {
      if (arg.find('=') == std::string_view::npos) {
        if (i + 1 >= argc || argv[i + 1] == nullptr) return Error("option '" + std::string(arg) + "' needs a value");
        ++i;
      }
    } else if (Listed(kQtFlags, QtOptionName(arg))) {
      // Qt's own.
    } else if (arg.starts_with("-")) {
      return Error("unknown option '" + std::string(arg) + "'");
    } else {
      return Error("unexpected argument '" + std::string(arg) + "'");
    }
  }
  return line;
}

AppOptions ParseAppOptions(int argc, const char* const* argv) {
  const CommandLine line = ParseCommandLine(argc, argv);
  return line.exitNow ? AppOptions{} : line.options;
}

int PrintCommandLineOutput(const CommandLine& line) {
  std::fputs(line.output.c_str(), line.exitCode == 0 ? stdout : stderr);
  return line.exitCode;
}
