#!/usr/bin/env bash
# Sets up the machine, builds Tamvik and starts it into its main window; arguments go to
# the program (a project file to open, /mme for the wave-out path).
#
#   --local-service   also start tamvik-fakeservice, a stand-in answer service on
#                     127.0.0.1, with settings of its own under build/local-service/ (not
#                     your own ~/.config/KVR/Tamvik) and an account with full rights, so
#                     that every command can be tried without a real service.
set -euo pipefail
cd "$(dirname "$0")/.."

local_service=0
args=()
for arg in "$@"; do
  if [ "$arg" = "--local-service" ]; then local_service=1; else args+=("$arg"); fi
done

# A window needs a display; say so before minutes of building, not after.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'MSG'
run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the main window
cannot be shown. Start it from a desktop session, or with a display of its own:
  xvfb-run -a ./scripts/run.sh ...                  (a virtual screen; installed by setup)
  QT_QPA_PLATFORM=offscreen ./scripts/run.sh ...    (headless: nothing is drawn)
MSG
  exit 1
fi

./scripts/setup.sh
if [ "$local_service" -eq 1 ]; then
  ./scripts/build.sh -DTAMVIK_BUILD_TESTS=OFF -DTAMVIK_BUILD_FAKESERVICE=ON
else
  ./scripts/build.sh -DTAMVIK_BUILD_TESTS=OFF
fi

if [ "$local_service" -eq 0 ]; then
  exec build/src/app/tamvik "${args[@]}"
fi

state="$PWD/build/local-service"
mkdir -p "$state/config"
chmod 700 "$state/config"
export XDG_CONFIG_HOME="$state/config"
rm -f "$XDG_CONFIG_HOME/KVR/Tamvik/Option.ini"
build/tests/support/fakeservice/tamvik-fakeservice --write-settings "$state/projects" &
service=$!
trap 'kill "$service" 2>/dev/null; wait "$service" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -f "$XDG_CONFIG_HOME/KVR/Tamvik/Option.ini" ] && break
  kill -0 "$service" 2>/dev/null || { echo "run.sh: the local service did not start" >&2; exit 1; }
  sleep 0.1
done
echo "Settings of this run: $XDG_CONFIG_HOME/KVR/Tamvik/"
build/src/app/tamvik "${args[@]}"
