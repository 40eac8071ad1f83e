#!/usr/bin/env bash
# A person installs the demo medium in real windows, without a script: on an
# X server of its own, with real X input (xdotool, through the X test
# extension), by keyboard alone or by mouse alone, and leaves the executor
# page alone until it finishes by itself.
#   PersonRun.sh keyboard|mouse SETUP MEDIUM SOURCE WORK
# Every page leaves its picture in WORK/pictures; the next step waits for it.
set -euo pipefail
mode=$1 setup=$2 medium=$3 source=$4 work=$5
title="Brimlund Demo-Setup"

fail() {
  echo "FAIL ($mode): $*" >&2
  ls "$work/pictures" >&2 || true
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
machine=$work/machine
cmake -DSOURCE="$source" -DMEDIUM="$medium" -DMACHINE="$machine" -P "$source/MakeMachine.cmake"
# What this person's machine has besides: a second fixed drive and the
# folder of an older version.
mkdir -p "$machine/drives/E" "$machine/drives/C/Programme/Alt Version"
printf '\n[Drive E]\nType=fixed\nFolder=drives/E\nFree=8,512,262144,1048576\n' >>"$machine/machine.ini"

# The X server: the first free display, as the server reports it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
setupPid=
cleanup() { kill $setupPid "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || fail "no X server: $(cat "$work/xvfb.log")"
  sleep 0.05
done
export DISPLAY=":$(head -1 "$work/display")"

SETUP_MACHINE="$machine" SETUP_SCREENSHOTS="$work/pictures" SETUP_SCRIPT= "$setup" >"$work/output.txt" 2>&1 &
setupPid=$!

# Waits for the picture of the page or box NAME shown after the last one
# waited for; another box or message on the way fails.  Prints the window.
last=0
waitFor() {
  local name=$1 deadline=$((SECONDS + 30))
  while ((SECONDS < deadline)); do
    # Whether setup still runs is asked before the pictures are looked at:
    # a page it showed just before it ended still counts.
    local ended=0
    kill -0 "$setupPid" 2>/dev/null || ended=1
    for picture in "$work"/pictures/*.png; do
      [ -e "$picture" ] || continue
      local base=${picture##*/}
      local number=$((10#${base%%-*}))
      ((number > last)) || continue
      local shown=${base#*-}
      shown=${shown%.png}
      if [ "$shown" = "$name" ]; then
        last=$number
        return 0
      fi
      case $shown in box | message) fail "unexpected $shown ($base) while waiting for $name" ;; esac
    done
    ((ended == 0)) || fail "setup ended before $name"
    sleep 0.05
  done
  fail "no $name within 30 s"
}

# The newest window of that exact caption on the screen.
windowNamed() { xdotool search --onlyvisible --name "^$1\$" | tail -1; }

# The page shown: given the keyboard focus, as a window manager would.
page() {
  waitFor "$1"
  win=$(windowNamed "$title")
  [ -n "$win" ] || fail "no window for $1"
  [ "$mode" = keyboard ] && xdotool windowfocus --sync "$win"
  return 0
}

keys() { xdotool key --delay 60 "$@"; }
# Window coordinates of the page; double clicks go to the same spot.
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; }
doubleClick() { xdotool mousemove --window "$win" "$1" "$2" click --repeat 2 --delay 80 1; }
# A directory list row (list at 221, 114; rows of 16 pixels).
listRow() { echo 280 $((114 + 2 + 16 * $1 + 8)); }

if [ "$mode" = keyboard ]; then
  page frmLicence
  # The focus starts in the memo; Tab, Tab reaches "Ja" past the disabled
  # Next.  Once "Ja" is gone the focus is back in the memo, so Tab, Tab
  # reaches Next (were it still on "Ja", the second Tab would rest on Cancel).
  keys Tab Tab space Tab Tab space
  page frmTypSelect
  keys Down space alt+w
  page frmDirSelect
  # The list opens C:\Programme: select and open "Alt Version" by keys.
  keys Tab Tab Down Return
  sleep 0.5  # the list has moved: now the older version's folder goes
  rm -rf "$machine/drives/C/Programme/Alt Version"
  # The drive box by arrows: to D:, and back to C:, whose directory went.
  keys shift+Tab Down Up
  # In the list: up to the root, open it, then the edit field.
  keys Tab Up Up Return Tab End B r i m l u n d backslash alt+w
  page frmNetDirSelect
  # The drive box opened by Alt+Down: the third drive, E:.
  keys Tab alt+Down Down Down Return
  keys Tab Tab End B e i s p i e l e backslash alt+w
  page frmConfirm
  keys Return
else
  page frmLicence
  click 642 406  # "Ja"
  click 519 450  # Next
  page frmTypSelect
  click 189 167  # the check box of the second type
  click 519 450
  page frmDirSelect
  doubleClick $(listRow 2)  # C:\Programme\Alt Version
  click 519 450
  waitFor box
  win=$(windowNamed "$title - Warnung")
  geometry=$(xdotool getwindowgeometry --shell "$win")
  eval "$geometry"
  click $(((WIDTH - 156) / 2 + 37)) $((HEIGHT - 23))  # "Ja"
  page frmNetDirSelect
  click 519 450
  page frmConfirm
  click 519 450
fi
# The executor page is left alone: it runs on its own timer.
waitFor frmExecInstall
deadline=$((SECONDS + 60))
while kill -0 "$setupPid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.1; done
kill -0 "$setupPid" 2>/dev/null && fail "the executor page did not finish by itself"
set +e
wait "$setupPid"
code=$?
set -e
setupPid=
cat "$work/output.txt"
((code == 0)) || fail "setup ended with exit code $code"

# The files are installed where the person chose.
drive=$machine/drives
if [ "$mode" = keyboard ]; then
  expected=("C/Brimlund/Brimlund.exe" "C/Brimlund/LIESMICH.TXT" "E/Beispiele/Beispiel.dat")
else
  expected=("C/Programme/Alt Version/Brimlund.exe" "C/Programme/Alt Version/Beispiel.dat")
fi
expected+=("C/WINNT/brimlund.ini" "C/WINNT/Profiles/All Users/Desktop/Brimlund Demo.lnk")
for file in "${expected[@]}"; do
  found=$(find "$drive" -ipath "$drive/$file" | head -1)
  [ -n "$found" ] || fail "not installed: $file"
done
echo "installed by $mode: ${expected[*]}"
