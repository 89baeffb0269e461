// Event editing of one macro, as the macro page does it: the rows that show its events,
// insertion and deletion of events (with the lighting-step blocks kept in order), the
// values typed into the event list and the lighting-step list, the play modes and the
// play count. Everything works on a MacroRecord and shows its warnings through
// core_hooks, so the page only wires its widgets to these functions.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/macro_record.h"

constexpr int kMaxEventDelay = 10000;
constexpr int kMaxMoveEvents = 50;
constexpr int kMaxDpiSteps = 5;
constexpr int kMaxPlayCount = 1000;
constexpr int kMaxMoveMagnitude = 100;
constexpr int kMaxLedStepValue = 100;
constexpr std::uint16_t kNewEventDelay = 100;

// Icons of the event list's rows, in the order of the list's image list.
enum EventRowIcon : int {
  kEventIconPlain = 0,
  kEventIconDown = 1,
  kEventIconUp = 2,
  kEventIconMove = 3,
  kEventIconLighting = 4,
  kEventIconDpi = 5,
};

struct EventRow {
  std::string text;
  int icon = kEventIconPlain;
  bool operator==(const EventRow&) const = default;
};

// Key-down and key-up rows added since the event list was last rebuilt (recording
// stops taking key-downs at a limit).
extern std::atomic<int> g_recordKeyDowns;
extern std::atomic<int> g_recordKeyUps;

// The rows of event i: its event row, preceded (i > 0) by the delay row of event i - 1
// and followed, for the last event, by its own delay row. Counts key rows in
// g_recordKeyDowns / g_recordKeyUps.
std::vector<EventRow> FormatMacroEvent(const MacroRecord& record, int i);
// All rows of the record: two per event, the event and its delay.
std::vector<EventRow> MacroEventRows(const MacroRecord& record);
// The text of one event row alone (no delay rows, no counting).
EventRow EventRowOf(const MacroRecord& record, int i);
// The DPI value text of a DPI step event's parameter ("[DPI]:800 " for an unknown one).
std::string DpiStepText(int step);

// ---- Insertion and deletion -------------------------------------------------------------

// Inserts an event with `code` and `action` at `position` (0..eventCount), delay 100.
// A pointer move starts with vertical magnitude 10, a DPI step with step 4, a lighting
// step with a new block (1 step, byte 6 = 10) placed after the blocks of the lighting
// steps before it; the later lighting steps' blocks move up with them. Refused: a 276th
// event (TipText 21), a 51st move, a sixth DPI or lighting step (TipText 6). Returns
// whether the event was inserted.
bool InsertMacroEvent(MacroRecord& record, int position, std::uint8_t code, std::uint8_t action);
// Deletes event e; a lighting step's block goes and the later blocks move down to their
// events. Returns whether an event was deleted.
bool DeleteMacroEvent(MacroRecord& record, int e);

// An item of the insert menu and its submenus: what to insert, and where.
struct InsertCommand {
  std::uint8_t code = 0;
  std::uint8_t action = 0;
  bool before = false;
};
inline constexpr int kInsertItemDelete = 147;
// The command of items 145, 146 and 241..258 (nullopt for others, 147 included).
std::optional<InsertCommand> InsertCommandForItem(int item);
// The position an insert goes to: before event `eventIndex`, or after it; into an empty
// macro always 0. Kept inside 0..eventCount.
int InsertPosition(bool before, int eventIndex, int eventCount);
// Carries out insert-menu item `item` on the record for the selected event
// `eventIndex`: a lighting step beyond the fifth gives TipText 21 here. Returns whether
// an event was inserted.
bool InsertFromMenu(MacroRecord& record, int item, int eventIndex);

// ---- Values typed into the lists --------------------------------------------------------

// The number of a delay row's text: all digits, or digits followed by `suffix` (the
// delay unit). Above 10000: TipText 21 and 10000. nullopt: not a number.
std::optional<int> ParseDelayEdit(std::string_view text, std::string_view suffix);
// The DPI step of "[DPI]:<value>": one of the twelve values; any other gives 4 after the
// message with the choices.
int ParseDpiEdit(std::string_view text);
// The magnitudes of "[X..]:<x>,[Y..]:<y>"; above 100 a warning and 100. nullopt when
// either is not a number.
std::optional<MacroParam> ParseMoveEdit(std::string_view text);
// Applies the text typed into event-list row `row` (even: the event, odd: its delay) to
// the record. Returns whether the record changed.
bool ApplyEventRowEdit(MacroRecord& record, int row, std::string_view text, std::string_view delaySuffix);

// The value typed into a lighting-step row: all digits, or the digits between the first
// ':' and the row's last six characters (the unit); clamped to 1..100 (above: TipText 21).
// nullopt: no value.
std::optional<int> ParseLedStepValueEdit(std::string_view text);
// Stores the value of row `row` of the step list into lighting block `block` of the
// record (byte row + 4). Rows and blocks outside the block data change nothing. Returns
// whether the record changed.
bool ApplyLedStepEdit(MacroRecord& record, int block, int row, std::string_view text);

// ---- Play modes and count ---------------------------------------------------------------

// The play count typed into the page: its number (0 when none) clamped to 1..1000.
int ClampPlayCount(std::string_view text);

// What the play-count edit shows for a macro: the text and whether it can be typed into.
struct PlayCountView {
  std::string text;
  bool enabled = false;
};
// From the low two bits of the mode: 0 the repeat count (shown within 1..1000: a new
// macro's 0 reads as 1), editable; 1 or 2 "1", not
// editable; 3 nullopt (the edit stays as it is).
std::optional<PlayCountView> PlayCountViewOf(const MacroRecord& record);
// Macro-page entries 6 (repeat while held), 7 (repeat until pressed again), 8 (play
// count). Returns what the edit shows; nullopt for another entry.
std::optional<PlayCountView> SetPlayMode(MacroRecord& record, int entry);

// ---- A recording that does not end by its stop ---------------------------------------
// Recording empties and renames the selected macro in memory before the first key. When
// it is ended by a change of the macro list's selection instead of its stop, the record
// gets back what it held, so that no later save of the entry writes the half-made macro
// over the original.

// Keeps macro `macro` of the loaded group as it is now (call before recording changes it).
void KeepMacroBeforeRecording(int macro);
// Puts the kept macro back when its group is still loaded; forgets it either way.
// Returns whether a macro was put back.
bool RestoreMacroAfterAbandonedRecording();
// The recording ended by its stop: the kept copy is no longer needed.
void ForgetMacroBeforeRecording();
