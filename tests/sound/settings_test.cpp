#include "sound/sound_restore.h"
#include "sound_fixture.h"

namespace {

class SoundSettings : public SoundTest {};

TEST_F(SoundSettings, SaveKeepsTheOthersAndStoresOnLoadSwitchesOn) {
  std::ofstream(g_configIniPath) << "[ShareData]\nDPI_LEVEL=2\nSoundSpeaker=7\nSoundMicroph=8\nSoundBright2=9\n"
                                    "SoundWaveMode=3\nWaveShowStatu=0\n";
  ini::ClearCache();
  LoadSoundSettings(g_configIniPath);
  EXPECT_EQ(g_soundWaveMode, 3);
  EXPECT_FALSE(SoundEffectOn());

  SetSoundWaveMode(4);
  ASSERT_TRUE(SaveSoundSettings(g_configIniPath));
  auto value = [](const char* key) { return ini::ReadString(g_configIniPath, "ShareData", key, 5); };
  EXPECT_EQ(value("SoundWaveMode"), "4");
  EXPECT_EQ(value("SoundSpeaker"), "7");
  EXPECT_EQ(value("SoundBright2"), "9");
  EXPECT_EQ(value("WaveShowStatu"), "1");  // saved as on, whatever the state
  EXPECT_EQ(value("DPI_LEVEL"), "2");

  ClearSoundState();
  LoadSoundSettings(g_configIniPath);
  EXPECT_TRUE(SoundEffectOn());
  EXPECT_EQ(g_soundMicroph, 8);
}

TEST_F(SoundSettings, DpiLevelReadBackIsOneOfTheSix) {
  mouse->SetMemory(0x18, {0x0B});  // bits 0..2: 3
  EXPECT_EQ(ReadMouseDpiLevel(5), 3);
  for (std::uint8_t byte : {0x06, 0x07, 0xFE}) {
    mouse->SetMemory(0x18, {byte});
    EXPECT_EQ(ReadMouseDpiLevel(5), 5);
    EXPECT_EQ(ReadMouseDpiLevel(9), 0);  // a fallback out of range as well
  }
  mouse->Unplug();
  EXPECT_EQ(ReadMouseDpiLevel(1), 0);  // no answer reads as level 0
}

}  // namespace
