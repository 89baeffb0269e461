// The rules of the page controls that need no window: sliders, DPI level and colour
// cycle toggles, menu placement, the left-click guard of the button menu.
#include <gtest/gtest.h>

#include <climits>

#include "mainwnd/main_input.h"
#include "profile/dpi_levels.h"
#include "profile/settings.h"

namespace {

struct SliderCase {
  int x;
  int n;
  int expected;
};

class SliderValueTest : public ::testing::TestWithParam<SliderCase> {};

TEST_P(SliderValueTest, StepUnderThePointer) {
  const SkinRect slider{100, 10, 110, 8};  // 11 steps of 10 pixels
  EXPECT_EQ(SliderValueFromOffset(GetParam().x, 12, slider, GetParam().n), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Offsets, SliderValueTest,
                         ::testing::Values(SliderCase{0, 11, 1}, SliderCase{100, 11, 1}, SliderCase{109, 11, 1},
                                           SliderCase{110, 11, 1}, SliderCase{114, 11, 1}, SliderCase{115, 11, 2},
                                           SliderCase{154, 11, 5}, SliderCase{155, 11, 6},
                                           SliderCase{205, 11, 11}, SliderCase{500, 11, 11},
                                           SliderCase{150, 0, 1}, SliderCase{150, 1, 1}));

TEST(SliderValue, EmptyRectangleGivesTheFirstStep) {
  EXPECT_EQ(SliderValueFromOffset(50, 0, SkinRect{10, 0, 0, 0}, 17), 1);
}

TEST(SliderStore, EachModeStoresItsOwnRule) {
  ClearSettingsTables();
  g_dpiLevel = 2;
  StoreSliderValue(kDragDpiValue, 1);
  EXPECT_EQ(g_dpiSetValue[2], 0);
  StoreSliderValue(kDragDpiValue, 17);
  EXPECT_EQ(g_dpiSetValue[2], 16);
  g_dpiLevel = 40;  // out of range: bounded, nothing written outside the table
  StoreSliderValue(kDragDpiValue, 5);
  EXPECT_EQ(g_dpiSetValue[5], 4);

  StoreSliderValue(kDragFireTime, 1);
  EXPECT_EQ(g_fireTime.load(), 8);
  StoreSliderValue(kDragFireTime, 9);
  EXPECT_EQ(g_fireTime.load(), 9);
  StoreSliderValue(kDragLedBright, 1);
  EXPECT_EQ(g_ledBright.load(), 6);
  StoreSliderValue(kDragLedBright, 7);
  EXPECT_EQ(g_ledBright.load(), 0);
  StoreSliderValue(kDragLedSpeed, 6);
  EXPECT_EQ(g_ledSpeed.load(), 5);
  StoreSliderValue(kDragPointerSpeed, 11);
  StoreSliderValue(kDragWheelSpeed, 3);
  EXPECT_EQ(g_dpiSpeed.load(), 11);
  EXPECT_EQ(g_wheelSpeed.load(), 3);
  ClearSettingsTables();
}

TEST(DpiToggle, DisablingMovesTheCurrentLevelAndKeepsOneEnabled) {
  ClearSettingsTables();
  g_dpiSetEnable = {1, 0, 0, 1, 0, 0};
  g_dpiLevel = 3;
  ToggleDpiLevelEnable(3);  // second to last: disabled, current steps round to 0
  EXPECT_EQ(g_dpiSetEnable[3], 0);
  EXPECT_EQ(g_dpiLevel.load(), 0);
  ToggleDpiLevelEnable(0);  // the only one and current: stays
  EXPECT_EQ(g_dpiSetEnable[0], 1);
  EXPECT_EQ(g_dpiLevel.load(), 0);
  ToggleDpiLevelEnable(4);  // a disabled one: only enabled
  EXPECT_EQ(g_dpiSetEnable[4], 1);
  EXPECT_EQ(g_dpiLevel.load(), 0);
  ToggleDpiLevelEnable(0);  // now another is enabled: current moves upward to 4
  EXPECT_EQ(g_dpiSetEnable[0], 0);
  EXPECT_EQ(g_dpiLevel.load(), 4);
  ToggleDpiLevelEnable(9);  // outside the levels: nothing
  ClearSettingsTables();
}

TEST(DpiToggle, NextEnabledLevelCountsRoundTheSixFromAnyNumber) {
  const DpiEnables enabled{0, 0, 0, 1, 0, 1};
  EXPECT_EQ(NextEnabledDpiLevel(3, enabled), 5);
  EXPECT_EQ(NextEnabledDpiLevel(5, enabled), 3);   // round from 5 to 0
  EXPECT_EQ(NextEnabledDpiLevel(-1, enabled), 3);  // -1 is 5
  EXPECT_EQ(NextEnabledDpiLevel(-2, enabled), 5);  // -2 is 4
  EXPECT_EQ(NextEnabledDpiLevel(-9, enabled), 5);  // -9 is 3
  EXPECT_EQ(NextEnabledDpiLevel(6, enabled), 3);
  EXPECT_EQ(NextEnabledDpiLevel(INT_MAX, enabled), 3);  // 1
  EXPECT_EQ(NextEnabledDpiLevel(INT_MIN, enabled), 5);  // 4
  EXPECT_EQ(NextEnabledDpiLevel(INT_MIN, DpiEnables{}), -1);
  EXPECT_EQ(NextEnabledDpiLevel(-3, DpiEnables{0, 0, 0, 1, 0, 0}), 3);  // ends with itself
}

TEST(CycleColorToggle, NeverDisablesTheLastColour) {
  g_cycColorEnable = {0, 0, 1, 0, 0, 0, 1};
  ToggleCycleColor(2);
  EXPECT_EQ(g_cycColorEnable[2], 0);
  ToggleCycleColor(6);
  EXPECT_EQ(g_cycColorEnable[6], 1);
  ToggleCycleColor(0);
  EXPECT_EQ(g_cycColorEnable[0], 1);
  ToggleCycleColor(-1);
  ToggleCycleColor(7);
  g_cycColorEnable = {};
}

TEST(ButtonMenuPlacement, BelowTheEntryOrAboveWhenItWouldLeaveTheScreen) {
  const QRect entry(100, 500, 80, 20);
  EXPECT_EQ(PlaceButtonMenu(entry, 200, 800), QRect(101, 520, 81, 200));
  EXPECT_EQ(PlaceButtonMenu(entry, 300, 800), QRect(101, 200, 81, 300));
  EXPECT_EQ(PlaceButtonMenu(entry, 280, 800), QRect(101, 520, 81, 280));  // exactly fits
}

TEST(ButtonMenuGuard, TheOnlyLeftClickKeepsItsFunction) {
  ClearSettingsTables();
  g_keyCount = 6;
  g_currentProfile = 1;
  g_keyFunc[1] = {1, 2, 3, 0, 0, 0};
  EXPECT_FALSE(ButtonMenuAllowed(0));
  EXPECT_TRUE(ButtonMenuAllowed(1));
  g_keyFunc[1][4] = 1;
  EXPECT_TRUE(ButtonMenuAllowed(0));
  // With no left click at all every button can still be given one.
  g_keyFunc[1] = {};
  EXPECT_TRUE(ButtonMenuAllowed(2));
  EXPECT_FALSE(ButtonMenuAllowed(6));  // beyond the key count
  ClearSettingsTables();
}

TEST(Digits, OnlyNonEmptyDecimalText) {
  EXPECT_TRUE(IsAllDigits("0"));
  EXPECT_TRUE(IsAllDigits("12345"));
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_FALSE(IsAllDigits("12a"));
  EXPECT_FALSE(IsAllDigits("-1"));
  EXPECT_FALSE(IsAllDigits(" 1"));
}

}  // namespace
