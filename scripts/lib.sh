# shellcheck shell=bash
# What the scripts share. Source it from the checkout's root: . scripts/lib.sh

# configure_and_build [--jobs N] [--cmake PROGRAM] DIR [CMAKE_OPTION...] [-- TARGET...]
#   Configures a Ninja build of this checkout in DIR with the options given (quietly), then
#   builds the targets named after --, or everything. --jobs: how many compile at once (default:
#   every core); --cmake: the configuring command (default cmake; qt-cmake for a cross build).
configure_and_build() {
  local jobs cmake=cmake
  jobs=$(nproc)
  while :; do
    case "${1-}" in
      --jobs) jobs=$2; shift 2 ;;
      --cmake) cmake=$2; shift 2 ;;
      *) break ;;
    esac
  done
  local dir=$1
  shift
  local options=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do
    options+=("$1")
    shift
  done
  [ $# -gt 0 ] && shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  "$cmake" -S . -B "$dir" -G Ninja "${options[@]}" >/dev/null
  cmake --build "$dir" --parallel "$jobs" "${targets[@]}"
}

# require_display NAME
#   Ends the calling script (status 1) when there is no display for torven's window, saying so
#   as NAME. Without one, scripts/screenshot still shows what torven looks like.
require_display() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "$1: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): torven needs a desktop." >&2
    echo "$1: on a machine without one, scripts/screenshot shows what torven looks like." >&2
    exit 1
  fi
}
