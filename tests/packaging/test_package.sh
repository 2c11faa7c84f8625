#!/usr/bin/env bash
# Builds the Debian package from a configured build tree, installs it with apt-get, starts the
# installed torven from its desktop entry as an ordinary user, stores a port through the dialog's
# OK, checks that comm.set landed in that user's own folder, and removes the package again.
#   test_package.sh BUILD_DIR       (root only: it installs and removes a system package)
#   test_package.sh --skip REASON
# TORVEN_DEB=path/to/torven_*.deb tests that package instead of building one.
# Exit 77 means skipped.
set -euo pipefail

skip() {
  echo "SKIPPED: $*"
  exit 77
}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ "${1:-}" = --skip ] && skip "${2:-}"
build=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"

# Several checkouts on one machine share its package database: one package test at a time.
mkdir -p /run/lock
exec 9>/run/lock/torven-package-test.lock
flock -w 180 9 || fail "another package test holds /run/lock/torven-package-test.lock"

# A torven someone installed is left alone; one that an interrupted run of this test left behind
# (marked below) is replaced and removed like any other.
marker=/run/lock/torven-package-test.installed
if dpkg-query -W -f='${Status}' torven 2>/dev/null | grep -q 'ok installed' && [ ! -e "$marker" ]; then
  skip "torven is already installed on this machine; the test leaves that installation alone"
fi

user=torven-test
work=$(mktemp -d)
chmod 755 "$work" # apt reads the package as its own unprivileged user
installed=no
created_user=no
pids=()
instance=torven-package-test
conf=/etc/torven/$instance.conf
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -f "$conf"
  if [ "$installed" = yes ]; then
    apt-get purge -y -qq -o DPkg::Lock::Timeout=120 torven >/dev/null && rm -f "$marker"
  fi
  if [ "$created_user" = yes ]; then userdel -r "$user" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# The package, with dependencies computed from the binaries.
if [ -n "${TORVEN_DEB:-}" ]; then
  deb=$(realpath "$TORVEN_DEB")
else
  cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
  deb=$(ls "$work"/cpack/torven_*.deb)
fi
case "$(basename "$deb")" in
  torven_*_"$(dpkg --print-architecture)".deb) ;;
  *) fail "unexpected package name $(basename "$deb")" ;;
esac
depends=$(dpkg-deb -f "$deb" Depends)
for runtime in libqt6widgets6 libqt6serialport6 libc6; do
  [[ "$depends" == *"$runtime"* ]] || fail "Depends lacks $runtime: $depends"
done
if command -v lintian >/dev/null; then
  tags=$(lintian --fail-on error "$deb" 2>&1) || { echo "$tags"; fail "lintian reports errors"; }
  grep -v 'running with root privileges' <<<"$tags" || true
else
  echo "note: lintian is not installed (scripts/bootstrap adds it); not run"
fi

cp "$deb" "$work/"
deb=$work/$(basename "$deb")
installed=yes
touch "$marker"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  -o DPkg::Lock::Timeout=120 "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; fail "apt-get install failed"; }
unit=/lib/systemd/system/torven@.service
for path in /usr/bin/torven /usr/bin/torven-sim /usr/share/applications/torven.desktop \
  /usr/share/icons/hicolor/scalable/apps/torven.svg /usr/share/man/man1/torven.1.gz "$unit" \
  /etc/torven/example.conf; do
  [ -e "$path" ] || fail "the package did not install $path"
done
ls /usr/share/metainfo/*torven*.metainfo.xml >/dev/null || fail "no AppStream metainfo"
desktop=/usr/share/applications/torven.desktop
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -e "/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the icon $icon is not installed"

# An ordinary user, for whom /usr/bin is read-only.
if ! id "$user" >/dev/null 2>&1; then
  useradd --create-home --shell /bin/sh "$user"
  created_user=yes
fi
home=$(getent passwd "$user" | cut -d: -f6)
rm -rf "$home/.config/torven"
as_user=(runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin
  LANG=C.UTF-8 QT_QPA_PLATFORM=xcb)
(cd "$home" && "${as_user[@]}" bash -s -- "$exec_line" <"$here/run_as_user.sh") ||
  fail "the installed torven did not take a port through its dialog"

stored=$home/.config/torven/comm.set
[ -f "$stored" ] || fail "OK stored nothing in $stored; found: $(find "$home" -name comm.set)"
[ "$(od -An -c "$stored" | tr -s ' ')" = " 7 \r \n" ] ||
  fail "$stored holds $(od -An -c "$stored"), not 7 CR LF"
[ "$(stat -c %U "$stored")" = "$user" ] || fail "$stored is not owned by $user"
[ ! -e /usr/bin/comm.set ] || fail "a comm.set appeared in /usr/bin"

# The service: an instance whose file is the example with this test's device and TCP port.
service=$work/service
port=45340
while (: <"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
sed -e "s|^DEVICE=.*|DEVICE=$service/ttyCI|" -e "s|^PORT=.*|PORT=$port|" \
  /etc/torven/example.conf >"$conf"
{ verified=$(systemd-analyze verify --man=no "torven@$instance.service" 2>&1) &&
  [ -z "$verified" ]; } || fail "systemd-analyze verify says: $verified"

# Where systemd is not PID 1 (CI, containers), the unit's command as the unit would run it (its
# Environment= line, then the instance's file, put into ExecStart), as an unprivileged user
# without a display: it checks the command, not the sandbox.
# shellcheck disable=SC1090,SC2154 # the instance's file and the words are known only when it runs
mapfile -t command < <(
  eval "$(sed -n 's/^Environment=//p' "$unit")"
  . "$conf"
  exec_line=$(sed -n 's/^ExecStart=//p' "$unit")
  eval "words=(${exec_line//%[iI]/$instance})"
  printf '%s\n' "${words[@]}"
)
unprivileged=(setpriv --reuid=nobody --regid=nogroup --clear-groups env -i PATH=/usr/bin:/bin
  LANG=C.UTF-8)
mkdir "$service" && chown nobody "$service"
"${unprivileged[@]}" torven-sim --link "$service/ttyCI" fixed 256 >"$work/sim.log" 2>&1 &
pids+=($!)
"${unprivileged[@]}" "${command[@]}" >"$work/bridge.log" 2>&1 &
bridge=$!
pids+=("$bridge")
served() { [ "$(rotctl -m 2 -r "127.0.0.1:$port" get_pos 2>/dev/null | head -n1)" = 180.00 ]; }
for _ in $(seq 100); do served && break; sleep 0.2; done
served || fail "rotctl read no 180.00 from: ${command[*]}; it said: $(cat "$work/bridge.log")"
kill -TERM "$bridge"
wait "$bridge" || fail "the service's command ended with status $? on SIGTERM"

rm -f "$conf"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=120 torven \
  >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get purge failed"; }
installed=no
rm -f "$marker"
[ ! -e /usr/bin/torven ] || fail "/usr/bin/torven is still there after apt-get purge"
[ ! -e /etc/torven ] || fail "/etc/torven is still there after apt-get purge"
echo "package $(basename "$deb"): installed, started, stored the port per user, served, removed"
