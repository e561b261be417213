# Sourced by run.sh and test.sh. wine_preset prints the build whose programs
# Wine can run here: win32 (the shipped program) where 32-bit code executes,
# otherwise win64, the 64-bit test build of the same sources, saying why on
# stderr. Some machines run 64-bit user code only (i386 execve fails with
# ENOEXEC), and there Debian's 32-bit Wine loader cannot start at all.
# A caller that has already decided (and said so) exports TQ_WINE_PRESET.
wine_preset() {
  if [ -n "${TQ_WINE_PRESET:-}" ]; then
    echo "$TQ_WINE_PRESET"
    return
  fi
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo win32
    return
  fi
  echo "== this machine cannot execute 32-bit code (/usr/lib/wine/wine does not start):" \
       "Wine runs the 64-bit test build (preset win64) instead ==" >&2
  echo win64
}
