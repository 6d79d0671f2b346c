#!/usr/bin/env bash
# Runs every fuzz target of a fuzzing build (cmake -DATALAYA_FUZZ=ON) one after the other, each
# on a fresh copy of its seeds in fuzz/corpus/<target>/, so the committed seeds never change.
#
#   scripts/fuzz.sh BUILD_DIR [LIBFUZZER_OPTION...]
#
#   scripts/fuzz.sh build-fuzz -max_total_time=20     the short run of `make test`
#   scripts/fuzz.sh build-fuzz -runs=1000000          the long run of `make fuzz-long`
#
# FUZZ_TARGETS="fuzz_ini fuzz_frame" limits the run to some targets. A crash, a sanitizer report,
# a broken property or a hang fails the run; the input that did it is kept in
# BUILD_DIR/fuzz-runs/<target>/ and its path printed. Each target's executions are printed at
# the end.
set -uo pipefail

if (($# < 1)); then
  echo "usage: $0 BUILD_DIR [LIBFUZZER_OPTION...]" >&2
  exit 2
fi
build_dir=$(cd "$1" && pwd)
shift
options=("$@")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
targets=(${FUZZ_TARGETS:-fuzz_ini fuzz_eeprom_files fuzz_channels fuzz_frame fuzz_service_link})

# A quarantine of 16 MiB instead of 256 still outlives every freed block of an input, and keeps
# the memory an input touches warm: the targets run a third faster.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:quarantine_size_mb=16}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
summary=()
for target in "${targets[@]}"; do
  program="$build_dir/$target"
  if [[ ! -x "$program" ]]; then
    echo "$program is missing: build the fuzz targets first (make fuzz-build)" >&2
    exit 2
  fi
  run_dir="$build_dir/fuzz-runs/$target"
  rm -rf "$run_dir"
  mkdir -p "$run_dir/corpus" "$run_dir/artifacts"
  cp "$source_dir/fuzz/corpus/$target/"* "$run_dir/corpus/"
  # Settings and language files are read key by key, each read going through the file, so
  # inputs are kept to 4 KiB (the English seed is cut there): longer ones only repeat lines.
  target_options=()
  [[ "$target" == fuzz_ini ]] && target_options+=(-max_len=4096)
  log="$run_dir/log"
  echo "== $target ${options[*]}"
  start=$(date +%s)
  # -timeout: an input that takes this long is a hang. -entropic_scale_per_exec_time: quick
  # inputs are mutated more often, so whole flash images and full-size pictures do not take
  # most of the time. -print_final_stats: the execution count.
  "$program" -timeout=25 -rss_limit_mb=3072 -entropic_scale_per_exec_time=1 -print_final_stats=1 \
    -artifact_prefix="$run_dir/artifacts/" "${target_options[@]}" "${options[@]}" "$run_dir/corpus" \
    >"$log" 2>&1
  status=$?
  seconds=$(($(date +%s) - start))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  summary+=("$(printf '%-18s %10s executions in %4d s' "$target" "${runs:-?}" "$seconds")")
  if ((status != 0)); then
    failed+=("$target")
    echo "$target FAILED (exit $status); the last lines of $log:" >&2
    tail -n 40 "$log" >&2
    for artifact in "$run_dir/artifacts/"*; do
      [[ -e "$artifact" ]] && echo "  input: $artifact" >&2
    done
  fi
done

echo "== fuzz targets"
printf '%s\n' "${summary[@]}"
if ((${#failed[@]} > 0)); then
  echo "Failed: ${failed[*]}" >&2
  exit 1
fi
