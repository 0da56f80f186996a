# Shell functions for a private Wine prefix whose COM1 and COM2 lead to
# pseudo-terminals. Sourced by scripts/demo and the tools' Wine test.
#
# Wine links COMn to the serial devices it detects each time a prefix
# starts, unless HKLM\Software\Wine\Ports names a device for COMn. The key
# names stable symbolic links (PORTS_DIR/com1, PORTS_DIR/com2) that the
# simulator points at its pseudo-terminals with --link, so the registry is
# written once per prefix and never again.

# wine_ports_env PREFIX: the environment for running Wine in PREFIX.
wine_ports_env() {
  WINEPREFIX="$(realpath -m "$1")"  # Wine takes only an absolute path
  export WINEPREFIX
  export WINEDEBUG=-all
  # No Mono or Gecko installer dialogs when the prefix is made.
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# wine_ports_prefix LOG: makes the prefix unless it exists; Wine's output to LOG.
wine_ports_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >>"$1" 2>&1
    wineserver -w
  fi
}

# wine_ports_point PORTS_DIR LOG: COM1 and COM2 lead to PORTS_DIR/com1 and
# PORTS_DIR/com2 from the prefix's next start on.
wine_ports_point() {
  local dir log="$2" changed=0 n value
  dir="$(realpath -m "$1")"
  mkdir -p "$dir"
  for n in 1 2; do
    value=$(wine reg query 'HKLM\Software\Wine\Ports' /v "COM$n" 2>>"$log" | tr -d '\r' |
            sed -n "s/^ *COM$n *REG_SZ *//p" || true)
    if [ "$value" != "$dir/com$n" ]; then
      wine reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "$dir/com$n" /f >>"$log" 2>&1
      changed=1
    fi
  done
  # The running prefix keeps the links it made at its start: end it.
  if [ "$changed" = 1 ]; then wineserver -k 2>/dev/null || true; wineserver -w; fi
  # Links from an earlier run that ended without cleaning up.
  rm -f "$dir/com1" "$dir/com2"
  # The server writes to the standard error of the process that started it,
  # at length when it is ended: start it here, writing to the log, rather
  # than from a program whose errors the user reads. It stays 10 s after its
  # last client; wineserver -k ends it sooner.
  wineserver -p10 >>"$log" 2>&1 || true
}

# wine_ports_wait_links PORTS_DIR: waits (5 s at most) for both links.
wine_ports_wait_links() {
  local i
  for i in $(seq 50); do
    [ -L "$1/com1" ] && [ -L "$1/com2" ] && return 0
    sleep 0.1
  done
  return 1
}
