#include "mainwnd/macro_recording.h"

#include <QApplication>
#include <QPointer>

#include <optional>

#include "controls/list_box_xi.h"
#include "keys/key_capture.h"
#include "mainwnd/macro_page.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/main_input.h"
#include "mainwnd/page_state.h"
#include "popups/dialog_get_key.h"
#include "popups/key_capture_popup.h"
#include "profile/core_hooks.h"
#include "profile/macro_editing.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/macro_recorder.h"
#include "skin/warning_dlg.h"

namespace {

constexpr int kTipEmptyList = 8;
constexpr int kTipNotAMacro = 24;
constexpr QPoint kKeyDialogOffset(330, 280);

MacroRecorder g_recorder;
QPointer<QWidget> g_recordingWindow;
// Lives with the window that holds the keyboard, so the keyboard is given back with it.
QPointer<platform::KeyboardCapture> g_recordingCapture;

void EndCapture() {
  if (g_recordingCapture) g_recordingCapture->Stop();
  g_recording = 0;
}

void Repaint() {
  if (g_mainDlg) g_mainDlg->Repaint();
}

void StartRecording(int macro) {
  g_recordKeyDowns = 0;
  g_recordKeyUps = 0;
  g_editMacro = macro;
  KeepMacroBeforeRecording(macro);
  g_recorder.Start(g_groupMacros[static_cast<std::size_t>(macro)],
                   MacroListRowText(SelectedMacroListRow()));
  ShowPlayCount("1", false);
  if (g_eventList) g_eventList->ResetItems();
  if (g_ledSubList) g_ledSubList->ResetItems();
  g_recording = 1;
  if (g_recordingCapture && g_recordingWindow) {
    g_recordingCapture->Start(g_recordingWindow, OnRecordingKey, WarnKeyboardNotGrabbed);
  }
  Repaint();
}

void StopRecording() {
  const int macro = g_editMacro.load();
  g_recorder.Stop();
  SaveLoadedMacro(macro);
  ForgetMacroBeforeRecording();
  EndCapture();
  // The event list shows the whole macro again, and the play count follows its mode.
  RefreshMacroEventList(macro);
  Repaint();
}

// The list ends with the delay row of the previous event, which the new event has
// just measured: it is shown again with the new event's rows.
void ShowRecordedEvent(int event) {
  if (g_eventList && event > 0 && g_eventList->count() > 0) g_eventList->RemoveItem(g_eventList->count() - 1);
  AddMacroEventRows(g_editMacro.load(), event);
}

}  // namespace

void OnRecordingKey(const platform::CapturedKey& key) {
  if (!g_recorder.Recording()) return;
  const std::optional<HostKeyCode> vk = HostKeyOfUsage(key.usage);
  if (!vk) return;
  switch (g_recorder.OnKey(key.down, *vk, key.autoRepeat)) {
    case MacroRecorder::Result::Recorded: ShowRecordedEvent(g_recorder.EventCount() - 1); break;
    case MacroRecorder::Result::Full: StopRecording(); break;
    case MacroRecorder::Result::Dropped:
    case MacroRecorder::Result::Ignored: break;
  }
}

void ToggleRecording() {
  if (g_recorder.Recording()) {
    StopRecording();
    return;
  }
  if (g_macroListRowCount.load() <= 0) {
    ShowTipWarning(kTipEmptyList);
    return;
  }
  int group = 0;
  int macro = 0;
  if (!SelectedMacro(group, macro)) {
    ShowTipWarning(kTipNotAMacro);
    return;
  }
  StartRecording(macro < 0 ? 0 : macro);
}

void AbandonRecording() {
  if (!g_recorder.Recording()) return;
  g_recorder.Stop();
  EndCapture();
  Repaint();
}

void InstallMacroRecording(QWidget* window) {
  g_recordingWindow = window;
  if (g_recordingCapture) delete g_recordingCapture.data();
  g_recordingCapture = new platform::KeyboardCapture;
  g_recordingCapture->setParent(window ? static_cast<QObject*>(window) : qApp);
}

void RunEventKeyDialog() {
  // On the main window, 330 right and 280 down from its corner.
  if (g_mainDlg) {
    const QPoint corner = g_mainDlg->frameGeometry().topLeft();
    g_popupX = corner.x() + kKeyDialogOffset.x();
    g_popupY = corner.y() + kKeyDialogOffset.y();
  }
  RunKeyCaptureDialog(g_mainDlg, MainWindowMessages());
}
