# Sourced by scripts/run and scripts/test: configures and builds one tree with Ninja.
#   kaidro_build DIR BUILD_TYPE [cmake options...] [-- targets...]
kaidro_build() {
  local dir="$1" type="$2"; shift 2
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift
  targets=("$@")
  # Builds from any clone share the compiler cache.
  export CCACHE_BASEDIR="$KAIDRO_ROOT"
  export CCACHE_NOHASHDIR=1
  cmake -S "$KAIDRO_ROOT" -B "$KAIDRO_ROOT/$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "${options[@]}" >/dev/null
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$KAIDRO_ROOT/$dir" -j "$(nproc)" --target "${targets[@]}"
  else
    cmake --build "$KAIDRO_ROOT/$dir" -j "$(nproc)"
  fi
}
