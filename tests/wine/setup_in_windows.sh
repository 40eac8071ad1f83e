#!/usr/bin/env bash
# setup.exe in native windows under Wine, on the demo medium, each run in a
# fresh prefix with the medium in C:\medium:
#   1. the scripted walk, headless;
#   2. the same walk driving the native windows, with a picture of every
#      page and box: the same transcript, exit code and installed files;
#   3. a person by real X input (xdotool, mouse and keys), no script: the
#      same installed files;
#   4. on the demo medium with a parameter page (an .IPA and an .ENV member
#      added, packed with LZWPACK), a walk through every kind of control,
#      headless and driving the native windows: the same transcript, exit
#      code, log and files;
#   5. a person on that medium: a click and Return in a directory list, the
#      scroll box of the parameter page turned by the wheel and its bar;
#   6. TIMER_BOX: a person's message box keeps the program's timer running.
# Needs an X server without a window manager (DISPLAY).
# usage: setup_in_windows.sh SETUP_EXE MEDIUM_DIR WALK_SCRIPT WORK_DIR LZWPACK TIMER_BOX
set -euo pipefail
exe=$1 medium=$2 walk=$3 work=$4 lzwpack=$5 timer_box=$6
here=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A variant of the demo medium in $1: the member files after the second
# argument join the program group, each with the flags $2.
medium_with() {
  local dir=$1 flags=$2 entries="" number=5
  shift 2
  cp -r "$medium"/. "$dir/"
  for file in "$@"; do
    "$lzwpack" --name "$(basename "$file")" "$file" "$dir/LZ00000$number.PAK"
    entries="$entries\nLZ00000$number=$flags"
    number=$((number + 1))
  done
  sed "s/^LZ000002=100100\$/&$entries/" "$(dirname "$walk")/SETUP.ALL" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$dir/members/SETUP.ALL"
  "$lzwpack" --name SETUP.ALL "$dir/members/SETUP.ALL" "$dir/INST.ALL"
  rm -r "$dir/members"
}

# The demo medium with a parameter page: ten INI settings and two
# environment variables to edit, more than the scroll box shows at once.
parameters=$work/parameter-medium
make_parameter_medium() {
  mkdir -p "$parameters/members"
  {
    printf '[Setup]\r\nIsIpaFile=1\r\n[Server]\r\n'
    for i in $(seq 10); do printf 'Schluessel%d=Wert %d\r\n' "$i" "$i"; done
  } >"$parameters/members/DEMO.IPA"
  printf '[Setup]\r\nIsEnvFile=1\r\n[Environment]\r\nBRIMLUND_HOME=C:\\Demo\r\nBRIMLUND_MODE=test\r\n' \
    >"$parameters/members/DEMO.ENV"
  medium_with "$parameters" 000000 "$parameters/members/DEMO.IPA" "$parameters/members/DEMO.ENV"
}

# The demo medium with a shared library in its program group, as a
# product's would have: the walks install from this one.
library=$work/library-medium
make_library_medium() {
  mkdir -p "$library/members"
  printf 'Bibliothek\r\n' >"$library/members/BRIMLUND.DLL"
  medium_with "$library" 100000 "$library/members/BRIMLUND.DLL"
}

# Without a window manager a managed window waits seconds when it closes:
# the prefix makes Wine's windows unmanaged.  Windows has the key of the
# shared libraries' counts, a fresh prefix not.  $2: the medium (the one
# with the library).
new_prefix() {
  local prefix=$work/$1
  WINEPREFIX=$prefix DISPLAY= wineboot -i >/dev/null 2>&1
  WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  WINEPREFIX=$prefix wine reg add "$shared_dlls" /f >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -w
  mkdir -p "$prefix/drive_c/medium"
  cp -r "${2:-$library}"/. "$exe" "$prefix/drive_c/medium/"
}

shared_dlls='HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDlls'
# A value as Wine's own reg command reads it from prefix $1: "TYPE DATA".
reg_value() {
  WINEPREFIX=$work/$1 wine reg query "$2" /v "$3" 2>/dev/null | tr -d '\r' |
    sed -nE "s/^ +[^ ].*  +(REG_[A-Z_]+)  +(.*)\$/\1 \2/p"
}

# setup.exe in prefix $1 with the environment assignments that follow.
run_setup() {
  local prefix=$work/$1
  shift
  (cd "$prefix/drive_c/medium" && env WINEPREFIX="$prefix" "$@" timeout 300 wine 'C:\medium\setup.exe')
}

walk_windows="Z:${walk//\//\\}"
make_parameter_medium
make_library_medium
new_prefix headless &
new_prefix windows &
new_prefix person &
new_prefix person-parameters "$parameters" &
new_prefix controls-headless "$parameters" &
new_prefix controls-windows "$parameters" &
wait

# ---- 1 and 2: the scripted walk, headless and in native windows
code_headless=0
run_setup headless DISPLAY= SETUP_SCRIPT="$walk_windows" SETUP_TRANSCRIPT='C:\transcript.txt' || code_headless=$?
code_windows=0
run_setup windows SETUP_UI=win32 SETUP_SCRIPT="$walk_windows" SETUP_TRANSCRIPT='C:\transcript.txt' \
  SETUP_SCREENSHOTS='C:\pictures' || code_windows=$?
[ "$code_headless" -eq 0 ] || fail "the headless walk ended with exit code $code_headless"
[ "$code_windows" -eq 0 ] || fail "the walk in native windows ended with exit code $code_windows"
# The pictures take numbers of the transcript's counter: only the numbers differ.
strip_numbers() { sed 's/^[0-9]* //' "$1"; }
diff <(strip_numbers "$work/headless/drive_c/transcript.txt") <(strip_numbers "$work/windows/drive_c/transcript.txt") ||
  fail "the walk in native windows saw other things than the headless walk"
diff -r "$work/headless/drive_c/Brimlund" "$work/windows/drive_c/Brimlund" ||
  fail "the walk in native windows installed other files"

# One picture of each page and box as it was shown, the whole window on it.
pictures=$work/windows/drive_c/pictures
shown=$(grep -cE '^[0-9]+ (show|box|message) ' "$work/windows/drive_c/transcript.txt")
taken=$(find "$pictures" -name '*.png' | wc -l)
[ "$shown" -eq "$taken" ] || fail "$shown pages and boxes shown, $taken pictures taken"
for page in $(sed -nE 's/^[0-9]+ show ([A-Za-z]+) .*/\1/p' "$work/windows/drive_c/transcript.txt"); do
  picture=$(find "$pictures" -name "*-$page.png" | head -1)
  [ -n "$picture" ] || fail "no picture of $page"
  file "$picture" | grep -qE 'PNG image data, 6[89][0-9] x (49[0-9]|5[0-9][0-9])' ||
    fail "$picture is not a picture of a page's window: $(file -b "$picture")"
done
echo "walk in native windows: same transcript, exit code and files as headless; $taken pictures"

# What the installation leaves in the prefix: every file and shortcut its
# record names, the uninstaller beside the record, the uninstall key with the
# uninstaller's path quoted (it has a blank), the library's count and
# shortcut files that Windows' own reader takes for its shortcuts.
drive_c=$work/headless/drive_c
record="$drive_c/windows/Uninstal/Brimlund Demo/uninstall.dat"
[ -f "$record" ] || fail "no uninstall record"
grep -q '^#UninstallKey#Brimlund Demo' "$record" || fail "the record does not name its uninstall key"
for file in 'C:\Brimlund\Brimlund.exe' 'C:\Brimlund\BRIMLUND.DLL'; do
  grep -qF "#FILE#$file" "$record" || fail "the record does not name $file"
done
recorded=0
while IFS= read -r path; do
  relative=${path#C:\\}
  [ -f "$drive_c/${relative//\\//}" ] || fail "$path, named by the record, is not in the prefix"
  recorded=$((recorded + 1))
done < <(tr -d '\r' <"$record" | sed -nE 's/^#(FILE|LINK)#//p')
cmp -s "$drive_c/windows/Uninstal/Brimlund Demo/unins0.exe" "$medium/uninstall.exe" || fail "no uninstaller beside the record"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brimlund Demo'
[ "$(reg_value headless "$uninstall_key" DisplayName)" = 'REG_SZ Brimlund Demo' ] || fail "no uninstall key"
uninstall=$(reg_value headless "$uninstall_key" UninstallString)
[ "$uninstall" = 'REG_SZ "C:\windows\Uninstal\Brimlund Demo\unins0.exe" -u' ] ||
  fail "the uninstall key's command is $uninstall"
[ "$(reg_value headless "$shared_dlls" 'C:\Brimlund\BRIMLUND.DLL')" = 'REG_DWORD 0x1' ] ||
  fail "the shared library was not counted"
# A shortcut file as lnkinfo reads it: $1 relative to drive C:, then its
# target, working directory and description.
check_shortcut() {
  local info
  info=$(lnkinfo "$drive_c/$1" 2>&1) || fail "$1 is no shortcut file: $info"
  field() { sed -nE "s/^\t$1\t+: //p" <<<"$info"; }
  [ "$(field 'Local path')" = "$2" ] && [ "$(field 'Working directory')" = "$3" ] &&
    [ "$(field Description)" = "$4" ] || fail "$1 is not the shortcut to $2: $info"
}
programs='ProgramData/Microsoft/Windows/Start Menu/Programs/Brimlund Demo'
check_shortcut "$programs/Brimlund Demo.lnk" 'C:\Brimlund\Brimlund.exe' 'C:\Brimlund\' 'Brimlund Demo'
check_shortcut "$programs/Lies mich.lnk" 'C:\Brimlund\LIESMICH.TXT' 'C:\Brimlund\' 'Lies mich'
check_shortcut 'users/Public/Desktop/Brimlund Demo.lnk' 'C:\Brimlund\Brimlund.exe' 'C:\Brimlund\' 'Brimlund Demo'
echo "installation in the prefix: $recorded recorded files and shortcuts, uninstaller, uninstall key, library count"

# The walk once more over that installation: the system's own box asks about
# the existing program directory, is pictured and answered by its Yes button.
sed '/^text edDir/{n;a\
box Yes
}' "$walk" >"$work/again.script"
code_again=0
run_setup windows SETUP_UI=win32 SETUP_SCRIPT="Z:${work//\//\\}\\again.script" SETUP_TRANSCRIPT='C:\again.txt' \
  SETUP_SCREENSHOTS='C:\again' || code_again=$?
[ "$code_again" -eq 0 ] || fail "the walk over the installation ended with exit code $code_again"
grep -q ' box style=36 .* answer=Yes$' "$work/windows/drive_c/again.txt" || fail "the box was not answered"
file "$(find "$work/windows/drive_c/again" -name '*-box.png')" | grep -q 'PNG image data' || fail "no picture of the box"
[ "$(reg_value windows "$shared_dlls" 'C:\Brimlund\BRIMLUND.DLL')" = 'REG_DWORD 0x2' ] ||
  fail "the second installation did not count the shared library again"
echo "native box pictured and answered by its own button; the library counted twice"

# ---- 4: every kind of control, through its native window
controls_windows="Z:${here//\//\\}\\controls.script"
code_headless=0
run_setup controls-headless DISPLAY= SETUP_SCRIPT="$controls_windows" SETUP_TRANSCRIPT='C:\transcript.txt' ||
  code_headless=$?
code_windows=0
run_setup controls-windows SETUP_UI=win32 SETUP_SCRIPT="$controls_windows" SETUP_TRANSCRIPT='C:\transcript.txt' ||
  code_windows=$?
[ "$code_headless" -eq 0 ] || fail "the headless walk through the controls ended with exit code $code_headless"
[ "$code_windows" -eq 0 ] || fail "the walk through the native controls ended with exit code $code_windows"
diff <(strip_numbers "$work/controls-headless/drive_c/transcript.txt") \
  <(strip_numbers "$work/controls-windows/drive_c/transcript.txt") ||
  fail "the walk through the native controls saw other things than the headless walk"
diff -r "$work/controls-headless/drive_c/Brimlund" "$work/controls-windows/drive_c/Brimlund" ||
  fail "the walk through the native controls installed other files"
# The log shows the directories chosen and every file installed.
install_log() { sed 's/^[0-9. :]* - //; s/\r$//' "$work/$1/drive_c/windows/Uninstal/Brimlund Demo/INSTALL.LOG"; }
diff <(install_log controls-headless) <(install_log controls-windows) ||
  fail "the walk through the native controls logged other things"
install_log controls-windows | grep -q '^Netzwerkverzeichnis: C:\\windows\\[^\\]*\\$' ||
  fail "the keys in the directory list did not choose the network directory"
for setting in Schluessel9=neun Schluessel10=zehn; do
  grep -q "^$setting" "$work/controls-windows/drive_c/Brimlund/DEMO.INI" || fail "$setting was not written"
done
WINEPREFIX=$work/controls-windows wineserver -w  # the registry is on disk once the server has gone
grep -q '"BRIMLUND_MODE"="demo"' "$work/controls-windows/system.reg" || fail "the memo's text was not taken"
echo "walk through every kind of native control: same transcript, exit code and files as headless"

# ---- 3 and 5: a person, by real input events
trap 'for p in person person-parameters windows; do WINEPREFIX=$work/$p wineserver -k 2>/dev/null || true; done' EXIT
start_person() {
  person=$work/$1
  run_setup "$1" SETUP_SCREENSHOTS='C:\pictures' >"$work/$1.log" 2>&1 &
  setup_pid=$!
}
end_person() {
  local code=0
  wait "$setup_pid" || code=$?
  [ "$code" -eq 0 ] || fail "the person's installation ended with exit code $code: $(cat "$person.log")"
}
# A page is on the screen once its picture is written.
wait_for_page() {
  for _ in $(seq 600); do
    picture=$(find "$person/drive_c/pictures" -name "*-$1.png" 2>/dev/null | sort | tail -1 || true)
    if [ -n "$picture" ]; then
      sleep 0.5
      return 0
    fi
    kill -0 "$setup_pid" 2>/dev/null || fail "setup.exe ended before $1 was shown"
    sleep 0.1
  done
  fail "$1 was not shown"
}
# A click at a point of the page's client area: the page is centred on the
# screen, its picture gives the size of its frame.
click_at() {
  read -r width height < <(file -b "$picture" | sed -E 's/.*, ([0-9]+) x ([0-9]+),.*/\1 \2/')
  read -r screen_width screen_height < <(xdotool getdisplaygeometry)
  local border=$(((width - 680) / 2))
  local x=$(((screen_width - width) / 2 + border + $1))
  local y=$(((screen_height - height) / 2 + height - 474 - border + $2))
  xdotool mousemove "$x" "$y" click "${3:-1}"
  sleep 0.3
}
# From the licence to the network directory's page, as the walk goes.
to_network_page() {
  wait_for_page frmLicence
  click_at 640 405             # "Ja"
  xdotool key alt+w            # "&Weiter"
  wait_for_page frmTypSelect
  xdotool key Down space alt+w # the second type checked, as the walk does, on the focused list
  wait_for_page frmDirSelect
  click_at 400 400             # into the directory field
  xdotool key Home shift+End
  xdotool type 'C:\Brimlund\'
  xdotool key alt+w
  wait_for_page frmNetDirSelect
}
start_person person
to_network_page
xdotool key alt+w
wait_for_page frmConfirm
xdotool key Return             # the default button
end_person
diff -r "$work/headless/drive_c/Brimlund" "$person/drive_c/Brimlund" ||
  fail "the person's installation installed other files than the scripted walk"
echo "person in native windows: installed the same files as the scripted walk"

# ---- 5: a person on the parameter medium: a click selects a line of the
# directory list and Return opens it; the scroll box scrolls by the wheel and
# by its bar's arrow, and the fields it brings into sight take what is typed.
start_person person-parameters
to_network_page
click_at 300 120               # the line "C:\" (the list shows C:\Brimlund)
xdotool key Return
xdotool key alt+w
wait_for_page frmConfirm
xdotool key Return
wait_for_page frmSetVar
# The box's client area starts at 214,294 and is 116 high; its fields are
# 19 pixels apart, 25 high, the later over the earlier: 196 pixels in all.
click_at 300 296               # the first field
for _ in 1 2 3 4; do click_at 300 296 5; done  # the wheel down, 24 pixels a notch: to the bottom, 80
click_at 300 394               # the tenth field, 91 pixels down now
xdotool key Home shift+End
xdotool type 'Schluessel10=rad'
click_at 626 302; click_at 626 302  # the bar's up arrow, 8 pixels each
click_at 626 324               # the bar above its thumb: a page up, to the top
click_at 300 296               # the first field again
xdotool key Home shift+End
xdotool type 'Schluessel1=balken'
xdotool key alt+w
end_person
person_log() { sed 's/^[0-9. :]* - //; s/\r$//' "$person/drive_c/windows/Uninstal/Brimlund Demo/INSTALL.LOG"; }
person_log | grep -qx 'Netzwerkverzeichnis: C:\\' || fail "the clicked line of the directory list was not opened"
# A field hit instead of the one meant would lose another setting.
diff <(sed 's/\r$//' "$person/drive_c/Brimlund/DEMO.INI") \
  <(echo '[Server]' && echo 'Schluessel1=balken' && for i in $(seq 2 9); do echo "Schluessel$i=Wert $i"; done &&
    echo 'Schluessel10=rad') || fail "the typed settings did not reach the fields meant"
echo "person on the parameter page: the directory list and the scroll box's wheel and bar work"

# ---- 6: the timer ticks on while the box waits for the person's Return
timer_dir=$work/windows/drive_c/timer
mkdir -p "$timer_dir"
cp "$timer_box" "$timer_dir/"
(cd "$timer_dir" && WINEPREFIX=$work/windows timeout 60 wine 'C:\timer\timer_box.exe') &
timer_pid=$!
for _ in $(seq 200); do
  [ "$(cat "$timer_dir/ticks.txt" 2>/dev/null || echo 0)" -ge 3 ] && break
  kill -0 "$timer_pid" 2>/dev/null || fail "the program with the timer ended before its box was answered"
  sleep 0.1
done
[ "$(cat "$timer_dir/ticks.txt" 2>/dev/null || echo 0)" -ge 3 ] || fail "the timer stood still while the box was open"
xdotool key Return
code_timer=0
wait "$timer_pid" || code_timer=$?
[ "$code_timer" -eq 0 ] || fail "the box was not answered by OK after the ticks (exit code $code_timer)"
echo "a person's box keeps the timers running: $(cat "$timer_dir/ticks.txt") ticks"
