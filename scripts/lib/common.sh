# Shared by the scripts: where the tree is, how to build it, and a private
# X display with a window manager.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir="$root/build"

# QtWebEngine's browser process refuses to start as root with its sandbox on.
if [[ $(id -u) -eq 0 ]]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi

configure_and_build() {
  cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="${1:-RelWithDebInfo}" >/dev/null
  cmake --build "$build_dir" --parallel "$(nproc)"
}

desktop_pids=()

stop_private_display() {
  local pid
  for pid in "${desktop_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${desktop_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  desktop_pids=()
}

# Starts Xvfb on a free display and openbox on it; exports DISPLAY.
start_private_display() {
  local fifo display_file
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  desktop_pids+=("$!")
  for _ in $(seq 1 100); do
    [[ -s "$display_file" ]] && break
    sleep 0.05
  done
  if [[ ! -s "$display_file" ]]; then
    echo "could not start Xvfb" >&2
    rm -f "$display_file"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
  openbox --sm-disable >/dev/null 2>&1 &
  desktop_pids+=("$!")
  # openbox is ready when it has claimed the window-manager selection.
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.05
  done
  echo "openbox did not start on $DISPLAY" >&2
  return 1
}
