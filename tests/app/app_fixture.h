// The program's start-up under test: a copy of the built installation tree as the
// program folder, the simulated mouse as the HID transport, warnings and plain messages
// recorded instead of shown, and the desktop's pointer settings left alone.
#pragma once

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QPoint>

#include "mainwnd/main_dialog.h"
#include "sim/simulated_mouse.h"
#include "skin/skin_layout.h"

namespace apptest {

// Runs the event loop until `done` holds; false once `ms` milliseconds, stretched by
// MC_TEST_TIME_FACTOR, have passed (the deadline only bounds a hang).
bool SpinUntil(const std::function<bool()>& done, int ms = 20000);
// Runs the event loop for a while: only to give something that must NOT happen its
// chance to show, never to wait for something that must.
void SpinFor(int ms);

// The middle of a skin rectangle, and a click there as the main window's handlers get it.
QPoint Centre(const SkinRect& r);
void ClickMain(QPoint p);

struct Warning {
  int tip = -1;
  std::string text;
};

// The bytes of the feature reports the program sent, in order.
using FrameBytes = std::vector<std::uint8_t>;
bool IsCommand(const FrameBytes& frame, std::uint8_t command);
bool IsMemoryFrame(const FrameBytes& frame, std::uint8_t flags);
// Address of a memory frame (bytes 4 and 5).
int FrameAddress(const FrameBytes& frame);

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The simulated mouse, plugged in before the start-up looks for it.
  std::shared_ptr<sim::SimulatedMouse> PlugMouse(sim::SimOptions options = {});
  // A fresh main window; Start() also runs its start-up.
  COVK_DOvaruDlg& Window();
  COVK_DOvaruDlg& Start();
  // The mouse plugged in, the start-up run and its download awaited.
  void StartWithMouse();
  // Ends the window and everything its start-up started (as the program's end does).
  void Finish();
  // Waits for the start-up's download (or any other worker download) to end.
  bool WaitForDownloads(int ms = 30000);

  std::string ProgramDir() const;
  std::string ConfigIni() const;
  std::string ConfigReset() const;
  std::string LanguageFile(const std::string& name) const;  // file of the English folder

  std::vector<Warning> Warnings();
  std::vector<int> WarningTips();
  std::vector<std::string> Messages();
  std::vector<FrameBytes> SentFrames() const;

  QTemporaryDir dir_;
  std::shared_ptr<sim::SimulatedMouse> mouse_;
  std::unique_ptr<COVK_DOvaruDlg> window_;

 private:
  std::mutex lock_;
  std::vector<Warning> warnings_;
  std::vector<std::string> messages_;
};

}  // namespace apptest
