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
