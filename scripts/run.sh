#!/usr/bin/env bash
# Sets up the machine, builds Tamvik and starts it into its main window; arguments go to
# the program (a project file to open, /mme for the wave-out path).
#
#   --local-service   also start tamvik-fakeservice, a stand-in answer service on
#                     127.0.0.1 with three simulated subjects and a project library, with
#                     settings of its own under build/local-service/ (not your own
#                     ~/.config/KVR/Tamvik) and an account with full rights, so that every
#                     command, a test run included, can be tried without a real service.
#
# It builds in the same tree as test.sh (build/), only what the program needs.
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
# Configured as test.sh configures the tree, so that neither builds again what the other built.
targets="tamvik vantrel_jack"
[ "$local_service" -eq 1 ] && targets="$targets tamvik-fakeservice"
TARGETS=$targets ./scripts/build.sh -DTAMVIK_BUILD_TESTS=ON

pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null || true; done' EXIT

# Dialogs get their title bars (and can be moved) from a window manager. A virtual screen
# (xvfb-run) has none: start openbox for this run when no manager answers.
if [ -n "${DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-xcb}" = xcb ] && command -v xprop >/dev/null &&
  ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
fi

if [ "$local_service" -eq 0 ]; then
  build/src/app/tamvik "${args[@]}"
  exit
fi

state="$PWD/build/local-service"
mkdir -p "$state/config"
chmod 700 "$state/config"
export XDG_CONFIG_HOME="$state/config"
rm -f "$XDG_CONFIG_HOME/KVR/Tamvik/Option.ini"
build/tests/support/fakeservice/tamvik-fakeservice --write-settings "$state/projects" \
  --subjects 3 &
service=$!
pids+=("$service")
for _ in $(seq 100); do
  [ -f "$XDG_CONFIG_HOME/KVR/Tamvik/Option.ini" ] && break
  kill -0 "$service" 2>/dev/null || { echo "run.sh: the local service did not start" >&2; exit 1; }
  sleep 0.1
done
echo "Settings of this run: $XDG_CONFIG_HOME/KVR/Tamvik/"
echo "Another simulated subject: kill -USR1 $service"
build/src/app/tamvik "${args[@]}"
