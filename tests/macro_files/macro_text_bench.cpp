// Cost of the record text: a group file holds up to 13 records of 7863 characters, and
// the listener decodes one record at every press of a macro button.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "../support/bench_folder.h"
#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/macro_files.h"
#include "profile/macro_text.h"

namespace {

MacroRecord BenchRecord() {
  MacroRecord r;
  SetMacroName(r, "benchmark macro");
  r.eventCount = kMacroMaxEvents;
  for (std::size_t e = 0; e < kMacroMaxEvents; ++e) {
    r.action[e] = static_cast<std::uint8_t>(1 + e % 2);
    r.code[e] = static_cast<std::uint8_t>(0x04 + e % 26);
    r.delay[e] = static_cast<std::uint16_t>(e * 3);
  }
  return r;
}

void BM_EncodeRecord(benchmark::State& state) {
  g_language = 1;
  const MacroRecord r = BenchRecord();
  for (auto _ : state) benchmark::DoNotOptimize(EncodeMacroRecord(r));
}
BENCHMARK(BM_EncodeRecord);

void BM_DecodeRecord(benchmark::State& state) {
  g_language = 1;
  const std::string text = EncodeMacroRecord(BenchRecord());
  for (auto _ : state) benchmark::DoNotOptimize(DecodeMacroRecord(text, 3));
}
BENCHMARK(BM_DecodeRecord);

void BM_SaveAndReadGroupFile(benchmark::State& state) {
  g_language = 1;
  const benchsupport::PrivateFolder folder("macro_files_bench");
  const std::string file = (folder.Path() / "group.dat").string();
  for (int i = 0; i < 12; ++i) g_groupMacros[static_cast<std::size_t>(i)] = BenchRecord();
  g_groupMacroCount = 12;
  for (auto _ : state) {
    SaveMacroFile(file);
    ReadMacroGroupFile(file);
  }
}
BENCHMARK(BM_SaveAndReadGroupFile)->Unit(benchmark::kMillisecond);

}  // namespace
