// Recording a macro from the keyboard on the macro page: the record button starts
// recording into the macro selected in the macro list, every key pressed and released
// anywhere becomes one of its events (the rules of profile/macro_recorder.h), and a
// second press, or the first key after the 110th event, ends it and writes the macro
// into its group's file. While it runs the main window holds the keyboard (see
// platform/qt/keyboard_capture.h): the keys reach no other program.
//
// UI thread only.
#pragma once

#include "platform/qt/keyboard_capture.h"

class QWidget;

// `window` holds the keyboard while a macro is recorded.
void InstallMacroRecording(QWidget* window);

// The record button (macro-page entry 4): starts, or ends and saves.
void ToggleRecording();
// A change of the macro list's selection ends a recording without saving it.
void AbandonRecording();
// The key dialog for the key event being changed, on the main window.
void RunEventKeyDialog();
// A key while recording (the capture hands them here; tests too).
void OnRecordingKey(const platform::CapturedKey& key);
