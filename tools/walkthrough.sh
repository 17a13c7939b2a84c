#!/usr/bin/env bash
# Drives harbex and quillpad on a virtual X display with a window manager
# (Xvfb + openbox), by keyboard as a user would, and saves a picture of
# each step: the first start (no option file, no full interpreter: vantel
# runs), New, Choose, Edit (the source highlighted), Larger and Smaller
# (the same window, a larger and a smaller font), Run (the listing
# read-only with its messages marked, the memo's summary line), F8 to a
# message's card and Enter from it to its source line, a second Run that
# first saves the editor's unsaved changes and reloads the same listing
# window, F5 in quillpad, Stop of a looping program,
# New over an existing file (asks first), a source in a folder the user
# cannot write (saved before a run, Save As elsewhere, its unsaved text
# kept in the user's state folder), and eXit with unsaved changes in quillpad (kept as
# recovery text and offered again). When run as root, the programs run as
# the user nobody (setpriv), so that folder is truly closed to them. Not
# run by the tests; needs xvfb, openbox, xdotool and scrot.
#   tools/walkthrough.sh [build-folder] [picture-folder]
set -uo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
pictures=$(realpath -m "${2:-/tmp/walkthrough}")
mkdir -p "$pictures"
for tool in Xvfb openbox xdotool scrot; do
    command -v $tool >/dev/null || { echo "walkthrough: $tool is missing" >&2; exit 2; }
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/walkthrough.XXXXXX")
chmod 755 "$scratch"
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
export XDG_STATE_HOME=$scratch/home/.local/state
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" "$scratch/work"
chmod 700 "$XDG_RUNTIME_DIR"
# No option file: the first start chooses the processor itself.
unset HARBEX_EDITOR QT_QPA_PLATFORM
as_user=()
user_id=$(id -u)
if [ "$user_id" = 0 ] && command -v setpriv >/dev/null; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    user_id=65534
    chown -R 65534:65534 "$scratch/home" "$scratch/runtime" "$scratch/work"
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
finish() {
    [ -n "$harbex_pid" ] && kill "$harbex_pid" 2>/dev/null
    for pid in $(pgrep -u "$user_id" -x quillpad-editor -d ' ' 2>/dev/null); do
        # Only the editors of this walkthrough: their runtime folder is ours.
        grep -qz "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" "/proc/$pid/environ" 2>/dev/null && kill "$pid"
    done
    kill "$openbox_pid" "$xvfb" 2>/dev/null
    chmod 755 "$readonly_dir" 2>/dev/null
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
window() { # waits for a visible window whose title matches, prints its id
    xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1
}
windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }
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
focus() { xdotool windowactivate --sync "$1" 2>/dev/null; sleep 0.4; }
click_into() { # a click into the window's text, as a user would do to type there
    focus "$1"
    xdotool mousemove --window "$1" 120 80 click 1
    sleep 0.4
}
dialog_path() { # types a path into the file dialog that has the focus
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

"${as_user[@]}" "$build/bin/harbex" >"$scratch/harbex.log" 2>&1 &
harbex_pid=$!
main=$(timeout 20 bash -c "$(declare -f window); window 'SNOBOL4 Execution System'")
check "harbex shows its main window" test -n "$main"
focus "$main"
picture 00-first-start
# Menus opened and left with Esc: the keyboard is back in the memo.
keys alt+f Escape alt+o Escape Escape
type_word "typed after the menus"
picture 00b-menus-left
xdotool key --clearmodifiers --repeat 21 BackSpace # the typed words again

# File/New writes the template; File/Choose picks the file.
keys alt+f n
dialog_path "$source"
check "New wrote the template" grep -q "program goes here" "$source"
focus "$main"
keys alt+f c
dialog_path "$source"
picture 01-harbex-chosen

# File/Edit: the source in quillpad. (A click into the main window first:
# after Choose, keys may still go to the hidden open dialog.)
click_into "$main"
keys alt+f e
editor=$(timeout 20 bash -c "$(declare -f window); window '^words.sno.* - quillpad'")
check "Edit opens the source in quillpad" test -n "$editor"
focus "$editor"
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
check "Ctrl+S saved the source" grep -q "LEN(LONGEST)" "$source"
picture 02-quillpad-source

# Options/Larger, then Edit again: the same window, now with a larger font.
editor_pid=$(xdotool getwindowpid "$editor")
focus "$main"
keys alt+o Down Return
keys alt+f e
sleep 1.5
check "a second Edit reuses the window" test "$(windows_named '^words.sno.* - quillpad')" = 1
check "the same quillpad process" test "$(xdotool getwindowpid "$(window '^words.sno.* - quillpad')")" = "$editor_pid"
picture 03-quillpad-larger
focus "$main"
keys alt+o Down Down Return
keys alt+f e
sleep 1.5
check "Smaller reuses the window too" test "$(windows_named '^words.sno.* - quillpad')" = 1
picture 04-quillpad-smaller
focus "$main"
keys alt+o Down Return

# File/Run in subset mode: the listing in the read-only listing view.
focus "$main"
keys alt+f r
view=$(timeout 20 bash -c "$(declare -f window); window '^words.lst.*read-only.* - quillpad'")
check "Run opens the listing read-only" test -n "$view"
check "vantel wrote the listing" grep -q "ATTEMPT TO OUTPUT PATTERN" "$listing"
picture 05-listing
focus "$view"
keys F8
picture 06-listing-f8
# Enter on the message (reached with Go to line): the source, at the line
# of the statement it names.
message_line=$(grep -n -- '^--- ATTEMPT TO OUTPUT PATTERN ---$' "$listing" | head -1 | cut -d: -f1)
keys ctrl+g
sleep 1
type_word "$message_line"
keys Return
sleep 0.5
keys Return
sleep 1
check "Enter on a message brings the source forward" \
    bash -c "xdotool getactivewindow getwindowname | grep -q '^words.sno'"
picture 06b-message-source
focus "$view"
keys ctrl+End
type_word "x"
check "the listing view changes nothing" grep -qv "^x" "$listing"

# A second Run while the editor holds unsaved changes: they are saved
# first, and the listing reloads in the same window.
view_pid=$(xdotool getwindowpid "$view")
focus "$editor"
keys ctrl+End
type_text "A second data line, with more words in it."
check "the new line is not saved yet" bash -c "! grep -q 'A second data line' '$source'"
focus "$main"
keys alt+f r
sleep 2
check "Run saved the editor's changes first" grep -q "A second data line" "$source"
check "the run read the saved source" grep -q "Words: 18" "$listing"
check "the second run reuses the listing window" test "$(windows_named '^words.lst.* - quillpad')" = 1
check "in the same quillpad process" test "$(xdotool getwindowpid "$(window '^words.lst.* - quillpad')")" = "$view_pid"
picture 07-second-run

# F5 in quillpad: save, run the vantel beside it, show the listing.
focus "$editor"
keys ctrl+End
type_text "one two three"
keys F5
sleep 3
check "F5 saved the source" grep -q "one two three" "$source"
check "F5 ran it" grep -q "Words: 21" "$listing"
picture 07b-f5-run

# A program that loops: the Running window's Stop ends it.
loop=$scratch/work/loop.sno
printf '        &STLIMIT = 1000000000\nLOOP    N = N + 1    :(LOOP)\nEND\n' >"$loop"
click_into "$main"
keys alt+f c
dialog_path "$loop"
click_into "$main"
keys alt+f r
running=$(timeout 20 bash -c "$(declare -f window); window '^Running '")
check "a Running window shows during the run" test -n "$running"
sleep 2
picture 08-running
focus "$running"
keys alt+s
sleep 3
check "Stop ended the run" bash -c "! pgrep -P $harbex_pid -x vantel >/dev/null"
check "the stopped run's listing opened" test -n "$(windows_named '^loop.lst.* - quillpad')"
picture 09-stopped
click_into "$main"
keys alt+f c
dialog_path "$source"

# New over the existing source asks first; declined, nothing changes.
click_into "$main"
keys alt+f n
sleep 1
keys ctrl+a
type_word "$source"
keys Return
sleep 1
picture 10-new-over-existing
keys Escape Escape
check "New over an existing file asked and kept it" grep -q "LEN(LONGEST)" "$source"

# A source in a folder the user cannot write: Run saves it all the same
# (in place), and its unsaved text is kept in the user's state folder.
click_into "$main"
keys alt+f c
dialog_path "$readonly_dir/ro.sno"
click_into "$main"
keys alt+f e
closed=$(timeout 20 bash -c "$(declare -f window); window '^ro.sno.* - quillpad'")
check "Edit opens the file of the closed folder" test -n "$closed"
focus "$closed"
keys ctrl+End
type_text "* saved before the run"
focus "$main"
keys alt+f r
sleep 2
check "Run saved the file of the closed folder" grep -q "saved before the run" "$readonly_dir/ro.sno"
check "its run wrote no listing there" test ! -e "$readonly_dir/ro.lst"
picture 12-closed-folder-run
# Save As puts the work where the user may write.
elsewhere=$scratch/work/elsewhere.sno
focus "$closed"
keys ctrl+shift+s
sleep 1.5
keys ctrl+a
type_word "$elsewhere"
keys Return
sleep 1.5
check "Save As wrote the copy" grep -q "saved before the run" "$elsewhere"
picture 12b-save-as
focus "$closed"
keys ctrl+End
type_text "* kept for later"

# Unsaved changes in quillpad, then File/eXit in harbex.
focus "$editor"
keys ctrl+Home
type_text "* an unsaved line"
focus "$main"
keys alt+f x
sleep 3
# A window that could not keep its unsaved work stays open, and harbex says
# which file it holds before it ends.
for step in 1 2 3; do
    box=$(xdotool search --onlyvisible --name '^Warning$' 2>/dev/null | head -1)
    [ -n "$box" ] || break
    echo "     (harbex names an editor that still holds unsaved work)"
    picture "13-unsaved-work-$step"
    focus "$box"
    keys Return
    sleep 2
done
recovery=$XDG_STATE_HOME/quillpad
check "harbex has ended" bash -c "! kill -0 $harbex_pid 2>/dev/null"
harbex_pid=
check "eXit kept the unsaved changes" grep -rqs "an unsaved line" "$recovery"
check "the closed folder's unsaved text is kept too" grep -rqs "kept for later" "$recovery"
check "nothing was left beside the files" \
    bash -c "! ls -A '$scratch/work' '$readonly_dir' | grep -q quillpad"
check "the source on disk is as saved" bash -c "! grep -q 'an unsaved line' '$source'"
check "the first start chose vantel for good" grep -q "^SUBSET=true" "$XDG_CONFIG_HOME/SNOBOL.ini"
if grep -rqs "an unsaved line" "$recovery"; then
    "${as_user[@]}" "$build/bin/quillpad" "$source" >/dev/null 2>&1 &
    sleep 2
    picture 11-recovery-offered
fi

# Unsaved work that cannot be kept anywhere (the state folder closed to the
# user): at eXit that quillpad window stays open, and harbex names its file.
if [ ${#as_user[@]} -gt 0 ]; then
    for pid in $(pgrep -u "$user_id" -x quillpad-editor -d ' ' 2>/dev/null); do kill "$pid"; done
    second=$scratch/work/second.sno
    printf 'END\n' >"$second"
    "${as_user[@]}" "$build/bin/harbex" >>"$scratch/harbex.log" 2>&1 &
    harbex_pid=$!
    main=$(timeout 20 bash -c "$(declare -f window); window 'SNOBOL4 Execution System'")
    focus "$main"
    keys alt+f c
    dialog_path "$second"
    click_into "$main"
    keys alt+f e
    last=$(timeout 20 bash -c "$(declare -f window); window '^second.sno.* - quillpad'")
    chown -R 0:0 "$XDG_STATE_HOME"
    chmod -R 555 "$XDG_STATE_HOME"
    focus "$last"
    type_text "* nowhere to keep this"
    sleep 4
    focus "$main"
    keys alt+f x
    sleep 3
    box=$(xdotool search --onlyvisible --name '^Warning$' 2>/dev/null | head -1)
    check "harbex names the editor that still holds unsaved work" test -n "$box"
    picture 14-unsaved-work-named
    [ -n "$box" ] && { focus "$box"; keys Return; sleep 2; }
    check "harbex has ended after saying so" bash -c "! kill -0 $harbex_pid 2>/dev/null"
    harbex_pid=
    check "that quillpad window is still open" test "$(windows_named '^second.sno.* - quillpad')" = 1
    picture 15-editor-left-open
    chmod -R u+w "$XDG_STATE_HOME"
fi
echo "walkthrough: $failures failed; pictures in $pictures"
[ "$failures" = 0 ]
