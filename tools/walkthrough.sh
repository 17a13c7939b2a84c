#!/usr/bin/env bash
# Drives harbex and quillpad on a virtual X display with a window manager
# (Xvfb + openbox), by keyboard as a user would, and saves a picture of
# each step:
#   - the first start (no option file, no full interpreter: vantel runs; the
#     window centred and large enough for its caption and the memo), the
#     menus left with Esc, and the File commands by their Ctrl keys;
#   - New, Choose, Edit (the source from its first line), Options/Larger and
#     Smaller (the same editor window each time);
#   - Run: the listing opens at its first message; F8, then Enter, brings
#     the source forward at the statement's line; a second Run saves the
#     editor's unsaved changes first and reloads the same listing window;
#   - F5 in quillpad; an F5 run of a looping program: the elapsed time and a
#     Stop button, F5 again says that a run is going, Shift+F5 stops it;
#   - the analysis as one types in quillpad: messages underlined after a
#     pause (errors red, warnings amber), the message under the cursor in
#     the status bar, the tooltip of a word under the mouse and at the
#     cursor (Ctrl+K Ctrl+I), F12 to a label's statement, Shift+F12 to its
#     references, the outline (Ctrl+Shift+O);
#   - harbex's Stop of a looping program; a path with blanks runs;
#   - debugging in quillpad: a breakpoint, steps, the Variables pane, the
#     match stepped through, a run-time error's stop, harbex's Debug;
#   - a run in a folder the user cannot write: vantel's own words in a box,
#     no empty listing window;
#   - full mode without its interpreter (the options dialog by keyboard):
#     "Language processor not found", and no .err or .out file made;
#   - a change on disk while quillpad holds unsaved changes: the declined
#     reload, then Save asks before it writes over the change, and keeps a
#     copy when told to;
#   - New over an existing file asks first; eXit (Ctrl+Q) with unsaved
#     changes keeps them as recovery text, offered again; unsaved work that
#     cannot be kept anywhere leaves its window open and harbex says so;
#   - quillpad's socket: with XDG_RUNTIME_DIR unset, nothing in the shared
#     temporary folder but a folder of the user's own.
# Every wait for a window has a time limit (WALKTHROUGH_WAIT seconds, 60 by
# default) and a FAIL line of its own. When run as root, the programs run
# as the user nobody (setpriv), so that closed folders are truly closed to
# them. Not run by the tests; needs xvfb, openbox, xdotool, scrot and python3.
#   tools/walkthrough.sh [build-folder] [picture-folder]
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
pictures=$(realpath -m "${2:-/tmp/walkthrough}")
limit=${WALKTHROUGH_WAIT:-60}
mkdir -p "$pictures"
for tool in Xvfb openbox xdotool scrot python3; do
    command -v $tool >/dev/null || { echo "walkthrough: $tool is missing" >&2; exit 2; }
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/walkthrough.XXXXXX")
chmod 755 "$scratch"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
export XDG_STATE_HOME=$scratch/home/.local/state
# A shared temporary folder like /tmp, and no runtime folder: quillpad's
# socket must find a folder of the user's own all the same.
export TMPDIR=$scratch/tmp
unset XDG_RUNTIME_DIR HARBEX_EDITOR QT_QPA_PLATFORM
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$TMPDIR" "$scratch/work"
chmod 1777 "$TMPDIR"
as_user=()
user_id=$(id -u)
if [ "$user_id" = 0 ] && command -v setpriv >/dev/null; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    user_id=65534
    chown -R 65534:65534 "$scratch/home" "$scratch/work"
fi
# A folder the user can read but not write, holding a file the user can write.
readonly_dir=$scratch/closed
mkdir -p "$readonly_dir"
printf '        OUTPUT = "FROM A CLOSED FOLDER"\nEND\n' >"$readonly_dir/ro.sno"
chown "$user_id" "$readonly_dir/ro.sno"
chmod 555 "$readonly_dir"
source=$scratch/work/words.sno
listing=$scratch/work/words.lst

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
sleep 1
openbox >/dev/null 2>&1 &
openbox_pid=$!
sleep 1
harbex_pid=
# The editors of this walkthrough: their temporary folder is ours.
our_editors() {
    for pid in $(pgrep -u "$user_id" -x quillpad-editor -d ' ' 2>/dev/null); do
        grep -qz "^TMPDIR=$TMPDIR\$" "/proc/$pid/environ" 2>/dev/null && echo "$pid"
    done
}
finish() {
    [ -n "$harbex_pid" ] && kill "$harbex_pid" 2>/dev/null
    for pid in $(our_editors); do kill "$pid"; done
    kill "$openbox_pid" "$xvfb" 2>/dev/null
    chmod 755 "$readonly_dir" 2>/dev/null
    chmod -R u+w "$XDG_STATE_HOME" 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT

failures=0
check() { # description, then the command that must succeed
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
picture() { sleep 0.7; scrot -o "$pictures/$1.png"; echo "     picture $pictures/$1.png"; }
# How many pixels of a window in a picture have the hue of the red (errors)
# or amber (warnings) underlines, smoothed into the background as they are
# drawn; no other part of a quillpad source window has them.
#   colour_count PICTURE red|amber WINDOW
colour_count() {
    local X=0 Y=0 WIDTH=0 HEIGHT=0
    eval "$(xdotool getwindowgeometry --shell "$3" 2>/dev/null)"
    python3 - "$pictures/$1.png" "$2" "$X" "$Y" "$WIDTH" "$HEIGHT" <<'PYTHON'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
pos, idat = 8, b""
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    if kind == b"IHDR":
        width, height, depth, colour = struct.unpack(">IIBB", body[:10])
        step = 3 if colour == 2 else 4
    elif kind == b"IDAT":
        idat += body
    pos += 12 + length
hues = {
    "red": lambda r, g, b: r >= 0xC0 and r - g >= 0x40 and abs(g - b) <= 0x10,
    "amber": lambda r, g, b: r >= 0xC0 and g - b >= 0x3C and r - g <= 0x48 and b <= 0xA0,
}
wanted = hues[sys.argv[2]]
left, top, right, bottom = (int(v) for v in sys.argv[3:7])
right, bottom = left + right, top + bottom
raw, stride = zlib.decompress(idat), width * step
previous, count = bytearray(stride), 0
for y in range(height):
    kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):  # PNG's row filters undone
        a = line[i - step] if i >= step else 0
        b, c = previous[i], previous[i - step] if i >= step else 0
        if kind == 1: line[i] = (line[i] + a) & 255
        elif kind == 2: line[i] = (line[i] + b) & 255
        elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
        elif kind == 4:
            p = a + b - c
            near = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
            line[i] = (line[i] + near) & 255
    if top <= y < bottom:
        count += sum(wanted(line[x * step], line[x * step + 1], line[x * step + 2])
                     for x in range(max(left, 0), min(right, width)))
    previous = line
print(count)
PYTHON
}
shows_colour() { test "$(colour_count "$1" "$2" "$3")" -gt 20; }
# The windows a program shows (tooltips and popup lists are windows of their own).
windows_of() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l; }
# The active window alone (the README's pictures).
window_picture() { sleep 0.7; scrot -u -o "$pictures/$1.png"; echo "     picture $pictures/$1.png"; }
# Waits at most `limit` seconds (or the second argument's) for a visible
# window whose title matches; prints its id, or a FAIL line on standard
# error and nothing.
window() {
    local pattern=$1 seconds=${2:-$limit} id
    local end=$((SECONDS + seconds))
    while :; do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        if [ $SECONDS -ge $end ]; then
            echo "FAIL no window \"$pattern\" within $seconds s" >&2
            return 1
        fi
        sleep 0.3
    done
}
windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }
# Waits at most `limit` seconds until the command succeeds.
eventually() {
    local end=$((SECONDS + limit))
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.3
    done
}
keys() { xdotool key --clearmodifiers --delay 120 "$@"; sleep 0.5; }
type_text() { # types the text line by line, each line end as a Return
    local line
    while IFS= read -r line; do
        xdotool type --clearmodifiers --delay 15 -- "$line"
        xdotool key --clearmodifiers Return
    done <<<"$1"
    sleep 0.3
}
type_word() { xdotool type --clearmodifiers --delay 15 -- "$1"; sleep 0.3; }
focus() {
    [ -n "$1" ] || return 1
    timeout 10 xdotool windowactivate --sync "$1" 2>/dev/null
    sleep 0.4
}
active_title() { xdotool getactivewindow getwindowname 2>/dev/null; }
title_is() { active_title | grep -q "$1"; }
click_into() { # a click into the window's text, as a user would do to type there
    focus "$1"
    xdotool mousemove --window "$1" 120 80 click 1
    sleep 0.4
}
dialog_path() { # types a path into the file dialog that has the focus
    window '^(Open|Save As)$' 20 >/dev/null
    sleep 1
    keys ctrl+a
    type_word "$1"
    keys Return
    # The dialog's name completion may show its list late, even after the
    # dialog closed (the list then keeps the next keys): close it, as a
    # user would.
    for _ in 1 2 3 4 5 6; do
        sleep 0.5
        if [ "$(windows_named '^SNOBOL4 Windows Shell$')" != 0 ]; then
            echo "     (closing the file dialog's name completion list)"
            keys Escape
        fi
    done
}
choose() { # File/Choose by its Ctrl key
    click_into "$main"
    keys ctrl+o
    dialog_path "$1"
    click_into "$main"
}
answer_box() { # waits for a box titled as given, pictures it and presses the keys
    local title=$1 name=$2
    shift 2
    local box
    box=$(window "$title" 20)
    check "a box \"$title\" shows ($name)" test -n "$box"
    picture "$name"
    [ -n "$box" ] && focus "$box" && keys "$@"
}
no_vantel_left() { ! pgrep -u "$user_id" -x vantel >/dev/null; }

"${as_user[@]}" "$build/bin/harbex" >"$scratch/harbex.log" 2>&1 &
harbex_pid=$!
main=$(window 'SNOBOL4 Execution System')
check "harbex shows its main window" test -n "$main"
focus "$main"
eval "$(xdotool getwindowgeometry --shell "$main" 2>/dev/null)"
check "the first start's window is wide and high (${WIDTH:-0} x ${HEIGHT:-0})" \
    test "${WIDTH:-0}" -ge 400 -a "${HEIGHT:-0}" -ge 250
check "... and centred" test $((X + WIDTH / 2 - 640)) -le 40 -a $((X + WIDTH / 2 - 640)) -ge -40
picture 00-first-start
# Menus opened and left with Esc: the keyboard is back in the memo.
keys alt+f Escape alt+o Escape Escape
type_word "typed after the menus"
picture 00b-menus-left
xdotool key --clearmodifiers --repeat 21 BackSpace # the typed words again

# New (Ctrl+N) writes the template; Choose (Ctrl+O) picks the file.
keys ctrl+n
dialog_path "$source"
check "New wrote the template" grep -q "program goes here" "$source"
choose "$source"
picture 01-harbex-chosen

# Edit (Ctrl+E): the source in quillpad, from its first line.
keys ctrl+e
editor=$(window '^words.sno.* - quillpad')
check "Edit opens the source in quillpad" test -n "$editor"
focus "$editor"
picture 02a-quillpad-opened
keys ctrl+a
type_text "* Counts the words of the lines after END.
-LIST
        LETTERS = 'abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'
NEXT    LINE = INPUT                          :F(DONE)
LOOP    LINE BREAK(LETTERS) SPAN(LETTERS) =   :F(NEXT)
        WORDS = WORDS + 1                     :(LOOP)
DONE    OUTPUT = 'Words: ' WORDS
+              ' in ' &STCOUNT ' statements'
        OUTPUT = 'Longest: ' LEN(LONGEST)
END
The quick brown fox jumps over the lazy dog."
keys ctrl+s
check "Ctrl+S saved the source" eventually grep -q "LEN(LONGEST)" "$source"
picture 02-quillpad-source

# Options/Larger (by its letter), then Edit again: the same window, now
# with a larger font.
editor_pid=$(xdotool getwindowpid "$editor")
focus "$main"
keys alt+o l
keys ctrl+e
sleep 1.5
check "a second Edit reuses the window" test "$(windows_named '^words.sno.* - quillpad')" = 1
same=$(window '^words.sno.* - quillpad')
check "the same quillpad process" test -n "$same" -a "$(xdotool getwindowpid "$same" 2>/dev/null)" = "$editor_pid"
picture 03-quillpad-larger
focus "$main"
keys alt+o s
keys ctrl+e
sleep 1.5
check "Smaller reuses the window too" test "$(windows_named '^words.sno.* - quillpad')" = 1
picture 04-quillpad-smaller
focus "$main"
keys alt+o l

# Run (Ctrl+R) in subset mode: the listing, read-only, at its first message.
focus "$main"
keys ctrl+r
view=$(window '^words.lst.*read-only.* - quillpad')
check "Run opens the listing read-only" test -n "$view"
check "vantel wrote the listing" grep -q "ATTEMPT TO OUTPUT PATTERN" "$listing"
picture 05-listing-first-message
# F8 goes to the message, Enter from there to the source at its line.
focus "$view"
keys F8
picture 06-listing-f8
keys Return
check "F8, then Enter, brings the source forward" eventually title_is '^words.sno'
picture 06b-message-source
focus "$view"
keys ctrl+End
type_word "x"
check "the listing view changes nothing" bash -c "! grep -q '^x' '$listing'"

# A second Run (F5 in harbex) while the editor holds unsaved changes: they
# are saved first, and the listing reloads in the same window.
view_pid=$(xdotool getwindowpid "$view")
focus "$editor"
keys ctrl+End
type_text "A second data line, with more words in it."
check "the new line is not saved yet" bash -c "! grep -q 'A second data line' '$source'"
focus "$main"
keys F5
check "Run saved the editor's changes first" eventually grep -q "A second data line" "$source"
check "the run read the saved source" eventually grep -q "Words: 18" "$listing"
sleep 1
check "the second run reuses the listing window" test "$(windows_named '^words.lst.* - quillpad')" = 1
again=$(window '^words.lst.* - quillpad')
check "in the same quillpad process" test -n "$again" -a "$(xdotool getwindowpid "$again" 2>/dev/null)" = "$view_pid"
picture 07-second-run

# F5 in quillpad: save, run the vantel beside it, show the listing.
focus "$editor"
keys ctrl+End
type_text "one two three"
keys F5
check "F5 saved the source" eventually grep -q "one two three" "$source"
check "F5 ran it" eventually grep -q "Words: 21" "$listing"
picture 07b-f5-run

# The analysis as one types: a program without faults has no underlines;
# a line typed with faults gets them after a short pause.
counting=$scratch/work/count.sno
cat >"$counting" <<'EOF'
* Counts to three, twice over.
        DEFINE('TWICE(N)', 'TWICE')            :(MAIN)
TWICE   TWICE = N + N                          :(RETURN)
MAIN    I = 0
LOOP    I = LT(I, 3) I + 1                     :F(DONE)
        OUTPUT = TWICE(I)                      :(LOOP)
DONE    OUTPUT = 'Counted to ' I
END
EOF
chown "$user_id" "$counting"
choose "$counting"
keys ctrl+e
counter=$(window '^count.sno.* - quillpad')
check "Edit opens count.sno" test -n "$counter"
counter_pid=$(xdotool getwindowpid "$counter" 2>/dev/null)
focus "$counter"
sleep 1.5
picture 19a-analysed-without-faults
check "a program without faults has no underlines" \
    test "$(colour_count 19a-analysed-without-faults red "$counter")" = 0 -a \
    "$(colour_count 19a-analysed-without-faults amber "$counter")" = 0
keys ctrl+Home Down Down Down Down Down Down Home
type_text "        OUTPUT = SIZE(I, 2) 'not closed"
sleep 1.5
picture 19b-underlined-as-typed
check "the translation error is underlined in red" \
    shows_colour 19b-underlined-as-typed red "$counter"
check "the warning is underlined in amber" shows_colour 19b-underlined-as-typed amber "$counter"
keys Up End
picture 19c-message-in-the-status-bar
# A tooltip explains the word at the cursor (Ctrl+K Ctrl+I; a key hides
# it) and the word under the mouse (found by moving down the label column).
before=$(windows_of "$counter_pid")
keys ctrl+Home Down Down Down Down Home
xdotool key --clearmodifiers --repeat 13 Right
keys ctrl+k ctrl+i
check "Ctrl+K Ctrl+I shows the tooltip of LT" eventually test "$(windows_of "$counter_pid")" -gt "$before"
picture 19d-tooltip-at-the-cursor
keys Escape
check "... and Esc hides it" eventually test "$(windows_of "$counter_pid")" -eq "$before"
# The label column starts past the margin of line numbers and breakpoint
# dots, some 70 pixels in.
hovered=
for y in $(seq 40 4 160); do
    xdotool mousemove --window "$counter" 84 "$y"
    sleep 0.2
    xdotool mousemove --window "$counter" 86 "$y"
    sleep 1.2
    if [ "$(windows_of "$counter_pid")" -gt "$before" ]; then
        hovered=$y
        break
    fi
done
check "the mouse on a label shows its tooltip" test -n "$hovered"
picture 19e-tooltip-under-the-mouse
xdotool mousemove --window "$counter" 600 400
# F12 on the goto's DONE selects the label DONE at its statement: typed
# over, the label is renamed there, and the goto's DONE, now a label no
# statement has, is underlined in amber.
keys ctrl+Home Down Down Down Down End Left Left
keys F12
picture 19f-f12-to-the-label
type_word "FINISH"
keys ctrl+s
check "F12 went to the label DONE (typed over)" \
    eventually grep -q "^FINISH  *OUTPUT = 'Counted to ' I" "$counting"
sleep 1.5
picture 19g-a-label-no-statement-has
# Shift+F12 on LOOP lists its statement and its goto; Down and Enter go to
# the goto's LOOP.
keys ctrl+Home Down Down Down Down Home
before=$(windows_of "$counter_pid")
keys shift+F12
check "Shift+F12 shows the references of LOOP" \
    eventually test "$(windows_of "$counter_pid")" -gt "$before"
picture 19h-references
keys Down Return
type_word "AGAIN"
keys ctrl+s
check "... and Enter on the second went to the goto's LOOP" \
    eventually grep -q ":(AGAIN)" "$counting"
# The outline: labels and functions; typing filters it, Enter goes there.
keys ctrl+shift+o
check "Ctrl+Shift+O shows the outline" eventually test "$(windows_of "$counter_pid")" -gt "$before"
type_word "mai"
picture 19i-outline
keys Return
type_word "START"
keys ctrl+s
check "... and Enter went to the label MAIN" eventually grep -q "^START  *I = 0" "$counting"

# A program that loops, run with F5 in quillpad: the elapsed time and a
# Stop button; F5 again says that a run is going; Shift+F5 stops it.
loop=$scratch/work/loop.sno
printf '        &STLIMIT = 1000000000\nLOOP    N = N + 1    :(LOOP)\nEND\n' >"$loop"
chown "$user_id" "$loop"
choose "$loop"
keys ctrl+e
loop_editor=$(window '^loop.sno.* - quillpad')
check "Edit opens the looping program" test -n "$loop_editor"
focus "$loop_editor"
keys F5
sleep 2.5
keys F5
picture 08a-quillpad-run-going
keys shift+F5
check "Shift+F5 stopped the run" eventually no_vantel_left
stopped=$(window '^loop.lst.*read-only.* - quillpad')
check "the stopped run's listing opened" test -n "$stopped"
picture 08b-quillpad-run-stopped

# harbex's own Stop in its Running window.
click_into "$main"
keys ctrl+r
running=$(window '^Running ')
check "a Running window shows during the run" test -n "$running"
sleep 2
picture 09-running
focus "$running"
keys alt+s
check "Stop ended the run" eventually no_vantel_left
picture 09b-stopped

# A path with blanks runs as it is.
mkdir -p "$scratch/work/My Files"
blank="$scratch/work/My Files/two  words.sno"
printf "        OUTPUT = 'A PATH WITH BLANKS'\nEND\n" >"$blank"
chown -R "$user_id" "$scratch/work/My Files"
choose "$blank"
keys ctrl+r
spaced=$(window '^two  words.lst.*read-only.* - quillpad')
check "a path with blanks runs and shows its listing" test -n "$spaced"
check "... written by vantel" grep -q "A PATH WITH BLANKS" "$scratch/work/My Files/two  words.lst"
picture 10-path-with-blanks

# Debugging in quillpad: F9 sets a breakpoint (a red dot), Ctrl+F5 saves and
# starts vantel-dap, the run stops there with the statement highlighted and
# the Variables pane filled; F10 steps over; F11 at the match statement
# steps through the matcher, whose pane shows the subject with the cursor
# under it and the node tried; Shift+F11 leaves it; F5 runs on to the
# run-time error, which stops
# at its line with its message; F5 again lets the run end as vantel ends it.
# Then harbex's Debug (Ctrl+F5) asks the same window to debug again, and
# the breakpoint is still there.
debugged=$scratch/work/middle.sno
printf 'END\n' >"$debugged"
chown "$user_id" "$debugged"
choose "$debugged"
keys ctrl+e
debugger=$(window '^middle.sno.* - quillpad')
check "Edit opens the program to debug" test -n "$debugger"
focus "$debugger"
keys ctrl+a
type_text "* Why does the match give MIDDLE the value B?
        SUBJECT = 'ABC'
        COUNT = 1
        SUBJECT 'A' ARB . MIDDLE 'C'
        OUTPUT = 'MIDDLE IS ' MIDDLE
        COUNT = COUNT + 1
        TOTAL = COUNT + 'MANY'
        OUTPUT = 'NOT REACHED'
END"
keys ctrl+g
window '^Go to Line$' 20 >/dev/null && { keys ctrl+a; type_word 3; keys Return; }
keys F9
keys ctrl+F5
check "Ctrl+F5 saved the program first" eventually grep -q "NOT REACHED" "$debugged"
dap_running() { pgrep -u "$user_id" -x vantel-dap >/dev/null; }
check "Ctrl+F5 started vantel-dap" eventually dap_running
sleep 2
picture 20a-debug-breakpoint
keys F10
picture 20b-debug-step-over
for step in 1 2 3 4 5; do
    keys F11
done
picture 20c-debug-match
window_picture 20c-debug-match-window
keys F11 F11 F11
picture 20d-debug-match-later
keys shift+F11
keys F5
sleep 2
picture 20e-debug-error-stop
keys F5
check "the debugged run ended" eventually bash -c "! pgrep -u $user_id -x vantel-dap >/dev/null"
check "its listing holds the program's output" eventually grep -q "MIDDLE IS B" "$scratch/work/middle.lst"
picture 20f-debug-ended
focus "$main"
keys ctrl+F5
check "harbex's Debug asks the window already open" eventually dap_running
sleep 2
check "... which stays the only window of the file" test "$(windows_named '^middle.sno.* - quillpad')" = 1
picture 20g-harbex-debug
focus "$debugger"
keys shift+F5
check "Shift+F5 ended the session" eventually bash -c "! pgrep -u $user_id -x vantel-dap >/dev/null"

# A source in a folder the user cannot write: Run saves it all the same
# (in place), then says in vantel's words why there is no listing, and
# opens no empty listing window.
choose "$readonly_dir/ro.sno"
keys ctrl+e
closed=$(window '^ro.sno.* - quillpad')
check "Edit opens the file of the closed folder" test -n "$closed"
focus "$closed"
keys ctrl+End
type_text "* saved before the run"
focus "$main"
keys ctrl+r
answer_box '^Oops:Error$' 11-closed-folder-no-listing Return
check "Run saved the file of the closed folder" grep -q "saved before the run" "$readonly_dir/ro.sno"
check "its run wrote no listing there" test ! -e "$readonly_dir/ro.lst"
check "no empty listing window opened" test "$(windows_named '^ro.lst')" = 0
# Save As puts the work where the user may write.
elsewhere=$scratch/work/elsewhere.sno
focus "$closed"
keys ctrl+shift+s
dialog_path "$elsewhere"
check "Save As wrote the copy" eventually grep -q "saved before the run" "$elsewhere"
picture 11b-save-as
focus "$closed"
keys ctrl+End
type_text "* kept for later"

# Full mode without a full interpreter, chosen in the options dialog by
# keyboard (its first row is current: Change toggles it at once): the
# processor is not found, and no .err or .out file is left.
choose "$source"
keys alt+o r
options=$(window '^Options$')
check "Options/Run Options shows the dialog" test -n "$options"
focus "$options"
keys alt+h
picture 12-options-changed
keys alt+o
click_into "$main"
keys ctrl+r
answer_box '^Oops:Error$' 12b-no-full-interpreter Return
check "no .err or .out file was made" test ! -e "$scratch/work/words.err" -a ! -e "$scratch/work/words.out"
click_into "$main"
keys alt+o r
options=$(window '^Options$')
focus "$options"
keys alt+h alt+o

# A change on disk while quillpad holds unsaved changes: the reload is
# declined (the default), and Save then asks before it writes over that
# change (declined by default too); told to, it keeps a copy.
focus "$editor"
keys ctrl+Home
type_text "* edited in quillpad"
"${as_user[@]}" sh -c "printf '* changed by another program\n' >>'$source'"
answer_box '^quillpad$' 13-changed-on-disk Return
focus "$editor"
keys ctrl+s
answer_box '^quillpad$' 13b-save-over-the-change Return
check "the declined save left the change on disk" grep -q "changed by another program" "$source"
check "... and wrote nothing of the window's" bash -c "! grep -q 'edited in quillpad' '$source'"
focus "$editor"
keys ctrl+s
answer_box '^quillpad$' 13c-save-over-it-after-all alt+y
check "told to, Save wrote the window's text" eventually grep -q "edited in quillpad" "$source"
check "... after keeping the change in the state folder" \
    grep -rqs "changed by another program" "$XDG_STATE_HOME/quillpad"
picture 13d-saved-with-a-copy

# New over the existing source asks first; declined, nothing changes.
click_into "$main"
keys ctrl+n
window '^Save As$' 20 >/dev/null
sleep 1
keys ctrl+a
type_word "$source"
keys Return
sleep 1
picture 14-new-over-existing
keys Escape Escape
check "New over an existing file asked and kept it" grep -q "LEN(LONGEST)" "$source"

# Unsaved changes in quillpad, then eXit (Ctrl+Q) in harbex.
focus "$editor"
keys ctrl+Home
type_text "* an unsaved line"
focus "$main"
keys ctrl+q
sleep 3
# A window that could not keep its unsaved work stays open, and harbex says
# which file it holds before it ends.
for step in 1 2 3; do
    box=$(window '^Warning$' 3 2>/dev/null)
    [ -n "$box" ] || break
    echo "     (harbex names an editor that still holds unsaved work)"
    picture "15-unsaved-work-$step"
    focus "$box"
    keys Return
    sleep 2
done
recovery=$XDG_STATE_HOME/quillpad
check "harbex has ended" eventually bash -c "! kill -0 $harbex_pid 2>/dev/null"
harbex_pid=
check "eXit kept the unsaved changes" eventually grep -rqs "an unsaved line" "$recovery"
check "the closed folder's unsaved text is kept too" eventually grep -rqs "kept for later" "$recovery"
check "nothing was left beside the files" \
    bash -c "! ls -A '$scratch/work' '$readonly_dir' | grep -q quillpad"
check "the source on disk is as saved" bash -c "! grep -q 'an unsaved line' '$source'"
check "the first start chose vantel for good" grep -q "^SUBSET=true" "$XDG_CONFIG_HOME/SNOBOL.ini"
if grep -rqs "an unsaved line" "$recovery"; then
    "${as_user[@]}" "$build/bin/quillpad" "$source" >/dev/null 2>&1 &
    offered=$(window '^quillpad$' 30)
    check "the next opening offers the kept changes" test -n "$offered"
    picture 16-recovery-offered
    [ -n "$offered" ] && focus "$offered" && keys Escape
fi

# Unsaved work that cannot be kept anywhere (the state folder closed to the
# user): at eXit that quillpad window stays open, and harbex names its file.
if [ ${#as_user[@]} -gt 0 ]; then
    for pid in $(our_editors); do kill "$pid"; done
    eventually test -z "$(our_editors)"
    second=$scratch/work/second.sno
    printf 'END\n' >"$second"
    "${as_user[@]}" "$build/bin/harbex" >>"$scratch/harbex.log" 2>&1 &
    harbex_pid=$!
    main=$(window 'SNOBOL4 Execution System')
    check "harbex starts again" test -n "$main"
    choose "$second"
    keys ctrl+e
    last=$(window '^second.sno.* - quillpad')
    check "Edit opens second.sno" test -n "$last"
    chown -R 0:0 "$XDG_STATE_HOME"
    chmod -R 555 "$XDG_STATE_HOME"
    focus "$last"
    type_text "* nowhere to keep this"
    sleep 4
    focus "$main"
    keys ctrl+q
    box=$(window '^Warning$' 30)
    check "harbex names the editor that still holds unsaved work" test -n "$box"
    picture 17-unsaved-work-named
    [ -n "$box" ] && { focus "$box"; keys Return; }
    check "harbex has ended after saying so" eventually bash -c "! kill -0 $harbex_pid 2>/dev/null"
    harbex_pid=
    check "that quillpad window is still open" test "$(windows_named '^second.sno.* - quillpad')" = 1
    picture 18-editor-left-open
    chmod -R u+w "$XDG_STATE_HOME"
fi

# Without XDG_RUNTIME_DIR, quillpad's sockets and locks are in a folder of
# the user's own; the shared temporary folder holds nothing else of it.
user_name=$(id -nu "$user_id")
check "the shared temporary folder holds only runtime-$user_name" \
    test "$(ls -A "$TMPDIR")" = "runtime-$user_name"
check "... owned by the user and closed to others" \
    test "$(stat -c '%u %a' "$TMPDIR/runtime-$user_name")" = "$user_id 700"
echo "walkthrough: $failures failed; pictures in $pictures"
[ "$failures" = 0 ]
