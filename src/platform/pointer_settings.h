// The desktop's pointer speed and wheel scroll lines, which the settings download sets
// from the mouse's settings. A setting is written only when reading it succeeded, so a
// desktop without it is left alone.
//
// Pointer speed is on the scale 0..20 (10 the desktop's middle speed, 0 the slowest,
// 20 the fastest); wheel scroll lines are lines per notch.
//
// Implementations: GNOME (org.gnome.desktop.peripherals.mouse speed through the
// gsettings tool; GNOME has no scroll-lines setting, so that one reads as not
// available) and one for every other desktop, where nothing is available.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pointer {

constexpr int kMinPointerSpeed = 0;
constexpr int kMiddlePointerSpeed = 10;
constexpr int kMaxPointerSpeed = 20;

class DesktopPointerSettings {
 public:
  virtual ~DesktopPointerSettings() = default;
  virtual std::string Name() const = 0;
  // nullopt when the setting cannot be read (not available on this desktop).
  virtual std::optional<int> ReadPointerSpeed() = 0;
  // speed 0..20 (clamped); false when it could not be written.
  virtual bool WritePointerSpeed(int speed) = 0;
  virtual std::optional<int> ReadWheelScrollLines() = 0;
  virtual bool WriteWheelScrollLines(int lines) = 0;
};

// The settings of the running desktop, chosen from XDG_CURRENT_DESKTOP on first use.
std::shared_ptr<DesktopPointerSettings> CurrentPointerSettings();
// Replaces the current settings (nullptr: choose again from the desktop); returns the
// previous ones.
std::shared_ptr<DesktopPointerSettings> SetPointerSettings(std::shared_ptr<DesktopPointerSettings> settings);

// Every read fails, so nothing is ever written.
std::shared_ptr<DesktopPointerSettings> MakeUnavailablePointerSettings();

// Runs a program (argv[0] looked up in PATH) and gives its standard output, or nullopt
// when it could not be started, failed, or did not end in time.
using CommandRunner = std::function<std::optional<std::string>(const std::vector<std::string>& argv)>;
std::optional<std::string> RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds timeout);

// GNOME through gsettings; runner defaults to RunCommand with a short timeout.
std::shared_ptr<DesktopPointerSettings> MakeGnomePointerSettings(CommandRunner runner = {});

// True when a XDG_CURRENT_DESKTOP value (entries separated by ':') names GNOME.
bool IsGnomeDesktop(std::string_view currentDesktop);

// GNOME's speed runs from -1 to 1 with 0 in the middle.
double GnomeSpeedFromScale(int speed);
int ScaleFromGnomeSpeed(double gnomeSpeed);

}  // namespace pointer
