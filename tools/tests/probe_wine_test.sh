#!/usr/bin/env bash
# The Windows probe on the real DLLs under Wine: its errors, the texts of
# the three deliverables in UTF-8, and readings that travel from the
# simulator through pseudo-terminals behind COM1 and COM2, bursty
# frames included.
# usage: probe_wine_test.sh WIN32_BUILD_DIR INSTRUMENT_SIM WORK_DIR
set -euo pipefail

win32="$(realpath -m "$1")" sim="$(realpath -m "$2")" work="$(realpath -m "$3")"
probe="$win32/tools/probe.exe"
drivers="$win32/drivers"
if ! command -v wine >/dev/null || [ ! -f "$probe" ] || [ ! -f "$drivers/thermcom2.dll" ]; then
  echo "skipped: needs wine and the win32 build ($probe)"
  exit 77
fi

source "$(dirname "$0")/../wine_ports.sh"
mkdir -p "$work"
log="$work/wine.log"
: >"$log"
ports="$work/ports"
wine_ports_env "$work/prefix"

sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect_run NAME EXIT STDOUT_FILE ERROR_START -- COMMAND...: the exit status,
# the whole standard output, and standard error: empty when ERROR_START is,
# else one line that begins with it.
expect_run() {
  local name="$1" code="$2" out_expected="$3" err_start="$4"
  shift 5
  local status=0
  "$@" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" = "$code" ] || fail "$name: exit $status, expected $code"
  cmp -s "$work/out" "$out_expected" || { fail "$name: standard output differs:"; diff "$out_expected" "$work/out" || true; }
  if [ -z "$err_start" ]; then
    [ ! -s "$work/err" ] || fail "$name: standard error: $(cat "$work/err")"
  elif [ "$(wc -l <"$work/err")" -ne 1 ] || [ "$(head -c ${#err_start} "$work/err")" != "$err_start" ]; then
    fail "$name: standard error: '$(cat "$work/err")', expected one line beginning '$err_start'"
  fi
}

wine_ports_prefix "$log"
wine_ports_point "$ports" "$log"

# Errors: nothing there, not a DLL, a DLL without the interface.
printf 'not a library\n' >"$work/notes.dll"
empty="$work/empty"; : >"$empty"
expect_run "missing file" 1 "$empty" "probe: $work/nothing.dll: no such file" -- wine "$probe" info "$work/nothing.dll"
expect_run "not a DLL" 1 "$empty" "probe: $work/notes.dll: cannot be loaded: " -- wine "$probe" info "$work/notes.dll"
system_dll="$WINEPREFIX/drive_c/windows/syswow64/version.dll"
expect_run "DLL without the interface" 1 "$empty" \
  "probe: $system_dll: not a driver of this interface: 58 of the 58 exports missing: ea, nea, ead, " \
  -- wine "$probe" info "$system_dll"
expect_run "bad argument" 2 "$empty" "probe: unknown command 'peek'" -- wine "$probe" peek x.dll

# The instruments: constant readings, so that what arrives can be compared.
"$sim" thermometer --link "$ports/com2" --rate 10 --t1 const:-12.3 --t2 const:98.6 --t2-unit F \
  >"$work/sim-thermometer.log" 2>&1 &
sims+=($!)
"$sim" lightmeter --link "$ports/com1" --rate 10 --lux const:1234 --unit fc --burst 3 \
  >"$work/sim-lightmeter.log" 2>&1 &
sims+=($!)
wine_ports_wait_links "$ports" || fail "the simulators made no links"

cat >"$work/expected-info" <<TEXT
driver:        $drivers/thermcom2.dll
title:         Thermomètre TM906 en Com2:
description:   DLL pour thermomètre TM906 en com2:, par Vandrelle, le 25 janvier 2003
analog inputs:
   0  "T1 °C"           -12.3
   1  "T2 °F"           98.6
   2  "T1*10 °C"        -123
   3  "T2*10 °F"        986
driver:        $drivers/luxcom1.dll
title:         luxmètre LX105, com1:
description:   DLL pour luxmètre  LX105 en com1:, par Vandrelle, le 22 janvier 2003
analog inputs:
   0  "(Ft-cd)"         1234
TEXT
expect_run "info thermcom2 luxcom1" 0 "$work/expected-info" "" \
  -- wine "$probe" info "$drivers/thermcom2.dll" "$drivers/luxcom1.dll" --wait 5

# luxcom2 shares COM2 with the thermometer: only its texts are compared.
wine "$probe" info "$drivers/luxcom2.dll" --wait 0 >"$work/out" 2>"$work/err" || fail "info luxcom2: $(cat "$work/err")"
for line in "title:         luxmètre LX105, com2:" \
            "description:   DLL pour luxmètre  LX105 en com2:, par Vandrelle, le 22 janvier 2003"; do
  grep -qxF "$line" "$work/out" || fail "info luxcom2: no line '$line' in: $(cat "$work/out")"
done

# Watch, as CSV into a file: the rows hold the instruments' readings. Each
# probe run opens the ports anew, and a driver decodes whatever tail of a
# frame it finds at the start of a line like any frame; so the thermometer
# sends whole frames here (split frames are covered by the Wine tests), and
# the first row is left out all the same.
wine "$probe" watch "$drivers/thermcom2.dll" "$drivers/luxcom1.dll" --csv --count 6 --interval 0.3 --wait 5 \
  --output "$work/readings.csv" >"$work/out" 2>"$work/err" || fail "watch: $(cat "$work/err")"
header="timestamp,thermcom2.dll:T1 °C,thermcom2.dll:T2 °F,thermcom2.dll:T1*10 °C,thermcom2.dll:T2*10 °F,luxcom1.dll:(Ft-cd)"
[ "$(head -n 1 "$work/readings.csv")" = "$header" ] || fail "CSV header: $(head -n 1 "$work/readings.csv")"
rows=$(tail -n +3 "$work/readings.csv" | grep -cE '^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:.]{12}Z,-12\.3,98\.6,-123,986,1234$' || true)
[ "$rows" = 5 ] || { fail "CSV rows:"; cat "$work/readings.csv"; }

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "probe under Wine: errors, texts and readings as expected"
