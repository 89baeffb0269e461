#!/usr/bin/env bash
# Fuzzes the readers of user files (macro records, INI files, key combinations, skin
# layouts, the macro library) and the settings image check with libFuzzer for a short
# fixed time each, the targets side by side, under AddressSanitizer and
# UndefinedBehaviorSanitizer. The sources they need are compiled with clang into an
# archive of their own under build/fuzz.
# FUZZ_SECONDS sets the time per target (default 30). An input that takes longer than
# 10 s, or a target that does not end within a minute of its time, fails (both
# stretched by MC_TEST_TIME_FACTOR).
set -euo pipefail
cd "$(dirname "$0")/../.."
source tests/support/deadline.sh
root=$PWD
out=$root/build/fuzz
seconds=${FUZZ_SECONDS:-30}
cxx=${FUZZ_CXX:-clang++}
jobs=$(nproc)
[ "$jobs" -gt 4 ] && jobs=4

flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fno-sanitize-recover=all -I"$root/src" -I"$root")
rm -rf "$out/obj"
mkdir -p "$out/obj" "$out/artifacts"

# The archive holds the key tables and what the decoder and the INI reader are made
# of; the linker takes only the objects a target references.
sources=(src/platform/ini_file.cpp src/platform/text_codec.cpp
         src/profile/macro_record.cpp src/profile/macro_text.cpp src/keys/*.cpp)
# The readers of the settings, key combinations and the macro library (the Qt-free
# core), the settings image and its check, and the skin layout reader and the places of
# the labels painted from its rectangles, which convert to Qt's (QtCore only).
sources+=(src/platform/write_guard.cpp src/platform/checked_folder.cpp src/platform/descriptor.cpp
          src/platform/plain_file.cpp src/platform/user_dirs.cpp src/profile/*.cpp src/skin/skin_layout.cpp src/skin/warning_layout.cpp
          src/mainwnd/main_skins.cpp src/popups/function_names.cpp src/mainwnd/label_place.cpp
          src/device/memory_image.cpp src/device/settings_image_check.cpp)
qt=($(pkg-config --cflags Qt6Core) -fPIC)
printf '%s\n' "${sources[@]}" | sort -u | xargs -P "$jobs" -I{} bash -c \
  'src=$1; shift; exec "$@" -fsanitize=fuzzer-no-link,address,undefined -c "$src" -o "'"$out"'/obj/${src//\//_}.o"' \
  _ {} "$cxx" "${flags[@]}" "${qt[@]}"
rm -f "$out/libfuzzcore.a"
ar rcs "$out/libfuzzcore.a" "$out"/obj/*.o

# The targets and the longest input each takes.
targets=(record_decoder:8192 ini_reader:4096 settings_image:2048 shortcut_text:1024 skin_layout:16384
         macro_library:16384)

link() {
  "$cxx" "${flags[@]}" "${qt[@]}" -fsanitize=fuzzer,address,undefined "tests/fuzz/$1_fuzz.cpp" \
    "$out/libfuzzcore.a" $(pkg-config --libs Qt6Core) -o "$out/$1_fuzz"
}

# fuzz <target> <max input length>: one target for its time; its verdict goes to
# <target>.result, its output to <target>.log.
fuzz() {
  local name=$1 maxlen=$2
  # New inputs go to a working corpus in the build folder; the seeds stay as they are.
  mkdir -p "$out/corpus/$name"
  # The INI target writes a file per input: keep it in memory when /dev/shm is there.
  local tmp=${TMPDIR:-/tmp}
  [ -d /dev/shm ] && [ -w /dev/shm ] && tmp=/dev/shm
  if TMPDIR=$tmp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ASAN_OPTIONS=detect_leaks=1 \
      run_bounded $((seconds + 60)) "${name}_fuzz" "$out/${name}_fuzz" -max_total_time="$seconds" \
      -max_len="$maxlen" -timeout="$(stretched 10)" -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$out/artifacts/${name}-" \
      "$out/corpus/$name" "tests/fuzz/corpus/$name" >"$out/${name}.log" 2>&1; then
    { echo "-- ${name}: ${seconds}s"
      grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$out/${name}.log" || true; } >"$out/${name}.result"
  else
    { echo "-- ${name}: ${seconds}s"
      tail -n 60 "$out/${name}.log"
      echo "FAILED: ${name} (artifacts in $out/artifacts)"; } >"$out/${name}.result"
    return 1
  fi
}

# Linked and then run side by side: each target is one process on one core.
status=0
pids=()
for target in "${targets[@]}"; do
  link "${target%%:*}" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
[ "$status" -eq 0 ] || { echo "FAILED: a fuzz target did not build"; exit 1; }
pids=()
for target in "${targets[@]}"; do
  fuzz "${target%%:*}" "${target##*:}" &
  pids+=($!)
done
for i in "${!targets[@]}"; do
  wait "${pids[$i]}" || status=1
  cat "$out/${targets[$i]%%:*}.result"
done
exit $status
