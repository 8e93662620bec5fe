#!/usr/bin/env bash
# typelane-cli as a script uses it: dry runs, exit codes, conversions.
set -u
cli=$1
src=$2
source "$(dirname "$0")/check.sh"
export XDG_DATA_HOME=$work/data       # nor the user's commands and drop lists

# An empty droplists.dat ships beside the programs, as commands.dat does
# (checked before any conversion here adds to it).
check "droplists.dat ships beside the programs" yes \
  "$([ -f "$(dirname "$cli")/droplists.dat" ] && echo yes || echo no)"

# A whole load of the example: the target is activated first, every row is
# played, the previous window comes back, and the summary closes the output.
out=$("$cli" send --dry-run "$src/examples/orders.tyl"); rc=$?
check "send exits 0" 0 "$rc"
check "send activates the sheet's window first" "activate Orders" "$(echo "$out" | head -1)"
check "then waits the window delay" "wait 250" "$(echo "$out" | sed -n 2p)"
check "data is pasted through the clipboard" "clip Acme Ltd" "$(echo "$out" | sed -n 4p)"
check "summary" "foreground
Typelane completed successfully:

Rows:	4" "$(echo "$out" | tail -5 | head -4)"
check "every data cell is pasted once" 24 "$(echo "$out" | grep -c '^clip ')"
check "Ctrl+S for SAVE in the Forms 6i group" 4 "$(echo "$out" | grep -A2 '^down 11' | grep -c '^down 53')"

# The load log of a small sheet: a heading, then one line per row with its
# number, start time, cells sent and outcome, CR LF ended. Esc at the 7th check
# stops row 2 at its second cell; an error ends row 3 at its first.
printf 'a\tb\r\nc\td\r\n' > "$work/two.txt"
TYPELANE_DRY_RUN_ESC=7 "$cli" send --dry-run --window W --log "$work/two.log" "$work/two.txt" \
  >/dev/null; rc=$?
check "a logged load stopped by Esc exits 3" 3 "$rc"
check "the log's lines" "Row	Started	Cells sent	Outcome
1	D T	2	loaded
2	D T	1	stopped by Esc in row 2 after cell 1" \
  "$(tr -d '\r' < "$work/two.log" | sed -E 's/[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}/D T/')"
check "every log line ends CR LF" 3 "$(grep -c $'\r$' "$work/two.log")"
printf 'a\r\n*ML(1)\r\n' > "$work/bad.txt"
"$cli" send --dry-run --window W --log "$work/bad.log" "$work/bad.txt" >/dev/null 2>&1
check "the log tells the error" "1	loaded|2	0	'' is not a valid integer value (the load stopped at row 2, cell 1)" \
  "$(tr -d '\r' < "$work/bad.log" | sed -n '2p;3p' | cut -f1,4 | head -1)|$(tr -d '\r' < "$work/bad.log" | sed -n 3p | cut -f1,3,4)"
# A log name that is taken (by the log of an earlier load, by the sheet itself,
# by a link, even one to nowhere) stops send before anything is sent, and
# nothing of that name changes.
cp "$work/two.txt" "$work/two.keep"
ln -s "$work/two.log" "$work/link.log"
ln -s "$work/nowhere.log" "$work/dangling.log"
for taken in "$work/two.log" "$work/two.txt" "$work/link.log" "$work/dangling.log"; do
  before=$(cat "$work/two.log" "$work/two.txt" | md5sum)
  out=$("$cli" send --dry-run --window W --log "$taken" "$work/two.txt" 2>&1); rc=$?
  check "--log $(basename "$taken") is refused before anything is sent" \
    "1|0|1|$before" \
    "$rc|$(echo "$out" | grep -c '^activate')|$(echo "$out" | grep -c "^typelane-cli: the load log cannot be written: $taken: ")|$(cat "$work/two.log" "$work/two.txt" | md5sum)"
done
check "a link to nowhere stays a link to nowhere" "no" "$([ -e "$work/nowhere.log" ] && echo yes || echo no)"
check "the sheet is whole" "" "$(cmp "$work/two.txt" "$work/two.keep")"
out=$("$cli" send --dry-run --log "$work/no/such/folder.log" "$work/two.txt" 2>&1); rc=$?
check "a log that cannot be written stops the load before it starts" "1|0" \
  "$rc|$(echo "$out" | grep -c '^activate')"

# Held modifier keys: nothing goes out until they are let go, and stderr says why.
err=$(TYPELANE_DRY_RUN_MODIFIERS=2,2,2,0 "$cli" send --dry-run --window W "$work/two.txt" \
  2>&1 >"$work/held.out"); rc=$?
check "a load waits for Ctrl" "0|Waiting for Ctrl to be released: nothing is sent while it is held (Esc cancels the load)." \
  "$rc|$err"
check "and sends nothing meanwhile" "wait 50
wait 50
wait 50
activate W" "$(head -4 "$work/held.out")"

# The dry run as readable steps, the face of Preview Load.
out=$("$cli" send --dry-run --readable --window W --rows 1-1 "$work/two.txt")
check "readable dry run" 'Activate window "W"
Wait 300 ms
Paste "a"  (100 ms)
Wait 250 ms
Paste "b"  (100 ms)
Wait 200 ms
Bring back the window that was in front
Total: 0:0:0 (950 ms)' "$(echo "$out" | head -8)"

# A paste is shown as the text it puts on the clipboard: an escaped leading
# backslash pastes one backslash, and Windows-1252 bytes show as their letters.
printf '\\\\back1\tcaf\xe9\r\n' > "$work/paste.txt"
out=$("$cli" send --dry-run --readable --window W "$work/paste.txt")
check "readable pastes" 'Paste "\back1"  (100 ms)|Paste "café"  (100 ms)' \
  "$(echo "$out" | grep '^Paste' | paste -sd '|')"

# The steps go out while the load runs: a reader sees the first before the
# load is done (it is held up by the full pipe until then), and SIGQUIT stops
# the load like SIGINT, SIGTERM and SIGHUP, with 128 + 3.
for i in $(seq 1 20000); do printf 'a%d\tb\r\n' "$i"; done > "$work/long.txt"
mkfifo "$work/steps"
# (Job control on: a script's background job would otherwise ignore SIGQUIT.)
set -m
"$cli" send --dry-run --readable --window W "$work/long.txt" >"$work/steps" 2>"$work/quit.err" &
pid=$!
set +m
exec 3<"$work/steps"
read -r first <&3
kill -QUIT "$pid"
cat <&3 >"$work/quit.out"
exec 3<&-
wait "$pid"; rc=$?
check "first step read while the load runs" 'Activate window "W"' "$first"
check "SIGQUIT stops the load" "131|typelane-cli: stopped by signal 3; every key and button the load held was released." \
  "$rc|$(cat "$work/quit.err")"
check "before its end" 0 "$(grep -c '"a20000"' "$work/quit.out")"

"$cli" --help | grep -q '^  PasteWait   seconds the load waits for the target to take a paste'
check "--help explains the paste wait with the other delays" 0 $?

# --group switches the definitions: Forms 4.5 saves with F10.
out=$("$cli" send --dry-run --group "Forms 4.5" --rows 1-1 --cols 7-7 "$src/examples/orders.tyl")
check "group Forms 4.5 plays F10" "down 79" "$(echo "$out" | grep '^down' | head -1)"

"$cli" send --dry-run --group "Notes" "$src/examples/orders.tyl" >/dev/null 2>&1
check "a group the sheet does not have is bad usage" 2 $?
"$cli" send --dry-run "$src/tests/data/playback/three_records.fpb" >/dev/null 2>&1
check "a recording is not loaded" 1 $?
printf 'begindelays\r\nenddelays\r\nbeginheader\r\nendheader\r\nbeginother\r\nendother\r\nbegindata\r\nx\r\n' \
  > "$work/cut.tyl"
out=$("$cli" send --dry-run "$work/cut.tyl" 2>"$work/cut.err"); rc=$?
check "a sheet cut short is not loaded" 1 "$rc"
check "nothing was sent" "" "$out"
check "the reader said why" 1 "$(grep -c 'Error reading Typelane file. Is it the correct format?' "$work/cut.err")"

# Esc at the 19th check (two a cell): row 1 has 8 cells, so the load stops
# in row 2 after its first cell.
out=$(TYPELANE_DRY_RUN_ESC=19 "$cli" send --dry-run "$src/examples/orders.tyl"); rc=$?
check "Esc exits 3" 3 "$rc"
check "Esc summary" "Data loading terminated at user request:

Rows:	1" "$(echo "$out" | tail -6 | head -3)"
check "Esc summary says where and how to resume" "Stopped in row 2 after cell 1.
To resume: --rows 2-4 --from-cell 2" "$(echo "$out" | tail -2)"
# Resumed so: row 2 from its second cell on, and nothing before it again.
full=$("$cli" send --dry-run "$src/examples/orders.tyl" | grep '^clip ')
resumed=$("$cli" send --dry-run --rows 2-4 --from-cell 2 "$src/examples/orders.tyl" | grep '^clip ')
check "the resumed load pastes from row 2's second cell on" "$(echo "$full" | tail -n +8)" "$resumed"

# A window that is not there.
err=$(TYPELANE_DRY_RUN_WINDOWS='Invoices|Orders - Entry' "$cli" send --dry-run --window Receipts \
      "$src/examples/orders.tyl" 2>&1 >/dev/null); rc=$?
check "not found exits 4" 4 "$rc"
check "not found message, with the command line's own advice" "typelane-cli: no window is titled \"Receipts\" or has a title that begins with it.
\"typelane-cli windows\" lists the titles; --window TITLE names the window to load into." "$err"
out=$(TYPELANE_DRY_RUN_WINDOWS='Invoices|Orders - Entry' "$cli" send --dry-run --window order \
      --rows 1-1 --cols 1-1 "$src/examples/orders.tyl")
check "a title prefix finds the window" "activate Orders - Entry" "$(echo "$out" | head -1)"

# Keystrokes: capitals under one Shift latch, then a plain d.
out=$("$cli" keys --dry-run '+abc+d')
check "keys +abc+d" "down 10 wait 50 down 41 wait 50 up 41 down 42 wait 50 up 42 down 43 wait 50 up 43 up 10 down 44 wait 50 up 44" \
  "$(echo $out)"
out=$("$cli" keys --dry-run '*ml(100,200)')
check "keys *ML click" "move 100 200 button left down wait 50 button left up" "$(echo $out)"
"$cli" keys --dry-run '*ML(100)' >/dev/null 2>&1; rc=$?
check "bad click coordinates exit 1" 1 "$rc"

# Usage and file errors.
"$cli" send >/dev/null 2>&1; check "no sheet is bad usage" 2 $?
"$cli" frobnicate >/dev/null 2>&1; check "unknown subcommand is bad usage" 2 $?
"$cli" send --rows x "$src/examples/orders.tyl" >/dev/null 2>&1; check "bad --rows is bad usage" 2 $?
err=$("$cli" send --dry-run "$work/missing.tyl" 2>&1 >/dev/null); rc=$?
check "missing sheet exits 1" 1 "$rc"
check "missing sheet message" \
  "typelane-cli: Failed to open the file or an error occured during file processing.
$work/missing.tyl: No such file or directory" "$err"

# Conversions: sheet file -> tab-delimited -> sheet file keeps the data rows.
"$cli" convert "$src/examples/orders.tyl" "$work/orders.txt"; check "convert to text" 0 $?
check "text has the rows" 4 "$(wc -l < "$work/orders.txt" | tr -d ' ')"
check "text row 1" "Acme Ltd	Leeds	Standard	AS54888	12	&Deliver before noon	SAVE	\\{DOWN}" \
  "$(head -1 "$work/orders.txt" | tr -d '\r')"
"$cli" convert "$work/orders.txt" "$work/again.tyl"; check "convert back" 0 $?
"$cli" convert "$work/again.txt" "$work/x.fpb" 2>/dev/null; check "no .fpb from a missing file" 1 $?
"$cli" convert "$work/again.tyl" "$work/x.fpb" 2>/dev/null; check "no .fpb from a sheet" 1 $?
"$cli" convert "$work/again.tyl" "$work/again.txt"; check "convert again" 0 $?
check "round trip keeps every byte" "$(cat "$work/orders.txt")" "$(cat "$work/again.txt")"

# The usual conventions of a command line: --opt=value, -- before the
# operands, - for the standard input and output, help for every command with
# its exit codes, --quiet, and one prefix on every error.
out=$("$cli" send --dry-run --window=W --rows=1-1 -- "$work/two.txt" | head -1)
check "--opt=value and --" "activate W" "$out"
out=$("$cli" send --help); rc=$?
check "send --help is help, not bad usage" "0|1|1" \
  "$rc|$(echo "$out" | grep -c '^  --from-cell C')|$(echo "$out" | grep -c '^  4 *the target window was not found')"
check "help send says the same" "$out" "$("$cli" help send)"
"$cli" help frobnicate >/dev/null 2>&1; check "help of an unknown command is bad usage" 2 $?
err=$("$cli" send --frob "$work/two.txt" 2>&1 >/dev/null); rc=$?
check "an unknown option is bad usage" "2|typelane-cli: unknown option \"--frob\"" \
  "$rc|$(echo "$err" | head -1)"
out=$("$cli" convert "$src/examples/orders.tyl" - | "$cli" convert - -)
check "convert - - reads the standard input and writes the standard output" \
  "$(cat "$work/orders.txt")" "$out"
"$cli" convert - "$work/stdin.tyl" < "$src/examples/orders.tyl"
"$cli" convert "$src/examples/orders.tyl" "$work/file.tyl"
check "a sheet file read from the standard input is written as from its file" "" \
  "$(cmp "$work/stdin.tyl" "$work/file.tyl")"
"$cli" send --dry-run --log - "$work/two.txt" >/dev/null 2>&1; rc=$?
check "--log - is bad usage: the load's own lines are on the standard output" 2 "$rc"
check "no file is named -" no "$([ -e - ] || [ -e "$work/-" ] && echo yes || echo no)"
out=$("$cli" send --dry-run --quiet --window W - < "$work/two.txt"); rc=$?
check "--quiet: a whole load gives no summary" "0|0|4" \
  "$rc|$(echo "$out" | grep -c 'completed successfully')|$(echo "$out" | grep -c '^clip ')"
out=$(TYPELANE_DRY_RUN_ESC=7 "$cli" send -q --dry-run --window W "$work/two.txt"); rc=$?
check "but a stopped one still says how to resume" "3|To resume: --rows 2-2 --from-cell 2" \
  "$rc|$(echo "$out" | tail -1)"
# A big conversion on a terminal says what it is doing, and clears the line.
for i in $(seq 1 40000); do printf 'row %d\tsome longer text in the cell\r\n' "$i"; done \
  > "$work/big.txt"
if command -v script >/dev/null; then
  shown=$(script -qec "'$cli' convert '$work/big.txt' '$work/big.tyl'" /dev/null | tr '\r' '\n')
  check "a big conversion shows its progress on a terminal" "1|1" \
    "$(echo "$shown" | grep -c '^Reading .*big.txt (2 MB)...')|$(echo "$shown" | grep -c '^Writing .*big.tyl (40000 rows)...')"
  check "--quiet shows none" "" \
    "$(script -qec "'$cli' convert -q '$work/big.txt' '$work/big2.tyl'" /dev/null)"
fi

# Saving writes the file the user has: its mode stays, a link stays a link and
# its file gets the text, a read-only file is refused, a FIFO or the standard
# output is written as it is; a failure says which file and why.
sheet="$src/examples/orders.tyl"
printf 'old\r\n' > "$work/secret.tyl"; chmod 600 "$work/secret.tyl"
"$cli" convert "$sheet" "$work/secret.tyl"; check "save over a private file" 0 $?
check "it stays private" 600 "$(stat -c %a "$work/secret.tyl")"
check "and holds the sheet" begindelays "$(head -1 "$work/secret.tyl" | tr -d '\r')"
mkdir "$work/real"; printf 'old\r\n' > "$work/real/target.txt"
ln -s real/target.txt "$work/link.txt"
"$cli" convert "$sheet" "$work/link.txt"; check "save through a link" 0 $?
check "the link stays a link" real/target.txt "$(readlink "$work/link.txt")"
check "its file has the rows" 4 "$(wc -l < "$work/real/target.txt" | tr -d ' ')"
printf 'keep\r\n' > "$work/locked.txt"; chmod 444 "$work/locked.txt"
reason="Permission denied"; [ "$(id -u)" -eq 0 ] && reason="The file is read-only"
err=$("$cli" convert "$sheet" "$work/locked.txt" 2>&1); rc=$?
check "a read-only file is refused" 1 "$rc"
check "saying which file and why" "typelane-cli: Failed to save the file.
$work/locked.txt: $reason" "$err"
check "and it is kept" keep "$(tr -d '\r' < "$work/locked.txt")"
# A sheet with the backup an interrupted in-place save left is refused: a
# script cannot choose between the two. A save of the sheet makes it whole and
# removes the backup.
printf 'a\tb\r\nc' > "$work/torn.txt"; printf 'a\tb\r\nc\td\r\n' > "$work/.torn.txt.typelane-backup"
err=$("$cli" convert "$work/torn.txt" "$work/torn-out.txt" 2>&1); rc=$?
check "a sheet with a backup is refused" 1 "$rc"
check "naming the backup" "typelane-cli: An earlier save of \"$work/torn.txt\" was interrupted. \
A backup of the file as it was before that save is kept in \"$work/.torn.txt.typelane-backup\". \
Open the sheet in Typelane to choose between the two." "$err"
check "and nothing is written" no "$([ -e "$work/torn-out.txt" ] && echo yes || echo no)"
"$cli" convert "$sheet" "$work/torn.txt"; check "a save of the torn file" 0 $?
check "removes its backup" no "$([ -e "$work/.torn.txt.typelane-backup" ] && echo yes || echo no)"
mkfifo "$work/fifo"
timeout 20 cat "$work/fifo" > "$work/from-fifo" & reader=$!
"$cli" convert "$sheet" "$work/fifo"; check "save into a FIFO" 0 $?
wait "$reader"
check "the FIFO stays a FIFO" yes "$([ -p "$work/fifo" ] && echo yes || echo no)"
check "and its reader got the rows" 4 "$(wc -l < "$work/from-fifo" | tr -d ' ')"
check "save to the standard output, a pipe" 4 "$("$cli" convert "$sheet" /dev/fd/1 | wc -l)"
printf 'a longer text that was there before the save\r\n%.0s' 1 2 3 4 5 6 > "$work/out.txt"
"$cli" convert "$sheet" /dev/fd/1 > "$work/out.txt"; check "to the standard output, a file" 0 $?
check "which holds the rows only" "$(cat "$work/orders.txt")" "$(cat "$work/out.txt")"
ln -s /dev/full "$work/full"   # a link, so that no program can replace the device itself
err=$("$cli" convert "$sheet" "$work/full" 2>&1)
check "a full disk" "typelane-cli: Failed to save the file.
$work/full: No space left on device" "$err"
err=$("$cli" convert "$sheet" "$work/no-such-folder/x.txt" 2>&1)
check "a missing folder" "typelane-cli: Failed to save the file.
$work/no-such-folder/x.txt: No such file or directory" "$err"
# A folder the user may not write (as another user when the tests run as root).
mkdir "$work/shut"; chmod 755 "$work/shut" "$work"
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
if [ "$(id -u)" -ne 0 ] && chmod 555 "$work/shut" || command -v setpriv >/dev/null; then
  err=$("${as_user[@]}" "$cli" convert "$sheet" "$work/shut/x.txt" 2>&1)
  check "a folder that may not be written" "typelane-cli: Failed to save the file.
$work/shut/x.txt: Permission denied" "$err"
  chmod 755 "$work/shut"
fi
chmod 700 "$work"

# Recordings: a converted recording becomes a sheet; a recording of three
# entries turns into a playback file for every row of a data file.
rec="$src/tests/data/playback/three_records.fpb"
"$cli" convert "$rec" "$work/categories.txt"; check "convert a recording" 0 $?
check "recorded rows" "PAPER	Office paper and card	Y	M1" "$(head -1 "$work/categories.txt" | tr -d '\r')"
err=$("$cli" convert "$src/tests/data/playback/no_exit.fpb" "$work/refused.tyl" 2>&1); rc=$?
check "a refused recording exits 1" 1 "$rc"
check "and says why" 1 "$(echo "$err" | grep -c '^typelane-cli: This file cannot be processed by Typelane.$')"
check "and writes nothing" no "$([ -e "$work/refused.tyl" ] && echo yes || echo no)"

printf 'A1\tAlpha\tY\tM1\r\nB2\tBeta\tN\tM2\r\nC3\tGamma\ty\tM1\r\nD4\tDelta\tN\tM2\r\n' > "$work/rows.txt"
"$cli" playback "$rec" "$work/rows.txt" -o "$work/rows.fpb"; check "playback" 0 $?
check "one entry per row" 4 "$(grep -c '^VALUE INVSDCAT MTL_CATEGORIES SEGMENT1 ' "$work/rows.fpb")"
# The files tell when they were written, to the second: that line may differ.
written() { grep -v '^# Edited using Typelane, '; }
check "-o - writes the same playback file to the standard output" "" \
  "$("$cli" playback "$rec" - --output=- < "$work/rows.txt" | written |
    cmp - <(written < "$work/rows.fpb"))"
"$cli" convert "$work/rows.fpb" "$work/rows-again.txt"; check "the playback file converts back" 0 $?
check "to the same rows" "$(cat "$work/rows.txt")" "$(cat "$work/rows-again.txt")"
printf 'A1\tAlpha\tMaybe\tM1\r\n' > "$work/bad-rows.txt"
err=$("$cli" playback "$rec" "$work/bad-rows.txt" -o "$work/bad.fpb" 2>&1); rc=$?
check "a value outside the drop list exits 1" 1 "$rc"
check "naming the cell" '  row 1, column 3 (Enabled flag): "Maybe"' "$(echo "$err" | tail -1)"
check "and writes nothing" no "$([ -e "$work/bad.fpb" ] && echo yes || echo no)"
"$cli" playback "$src/examples/orders.tyl" "$work/rows.txt" -o "$work/x.fpb" 2>/dev/null
check "playback needs a recording" 1 $?

# A sheet read only in part is never written. Converting a damaged sheet onto
# itself would drop its options, widths, comments and commands: it stays as it
# was. A sheet cut off inside a row gives no half row anywhere.
sed 's/^beginformat\r$/beginformats\r/' "$src/examples/orders.tyl" > "$work/damaged.tyl"
before=$(cksum < "$work/damaged.tyl")
"$cli" convert "$work/damaged.tyl" "$work/damaged.tyl" 2>"$work/damaged.err"; rc=$?
check "converting a damaged sheet onto itself exits 1" 1 "$rc"
check "and leaves it as it was" "$before" "$(cksum < "$work/damaged.tyl")"
check "the reader said why" 1 "$(grep -c 'Error reading Typelane file. Is it the correct format?' "$work/damaged.err")"
printf 'begindelays\r\nenddelays\r\nbeginheader\r\nendheader\r\nbeginother\r\nendother\r\nbegindata\r\nA1\tAlpha\tY\tM1\r\nB2\tBeta\tN\tM' \
  > "$work/half.tyl"
"$cli" convert "$work/half.tyl" "$work/half.txt" 2>/dev/null; rc=$?
check "a sheet cut off in a row is not converted" 1 "$rc"
check "and nothing is written" no "$([ -e "$work/half.txt" ] && echo yes || echo no)"
"$cli" playback "$rec" "$work/half.tyl" -o "$work/half.fpb" 2>/dev/null; rc=$?
check "nor played back" 1 "$rc"
check "and no playback file is written" no "$([ -e "$work/half.fpb" ] && echo yes || echo no)"

# A cell reading "enddata" would end the data when the sheet file is opened
# again: no sheet file is written; tab-delimited text keeps it.
printf 'a\r\nenddata\r\nc\r\n' > "$work/enddata.txt"
err=$("$cli" convert "$work/enddata.txt" "$work/enddata.tyl" 2>&1); rc=$?
check "a cell reading enddata is not saved in a sheet file" 1 "$rc"
check "with a warning" 1 "$(echo "$err" | grep -c '^typelane-cli: warning: The cell in row 2, column 1 reads "enddata"')"
check "and nothing is written" no "$([ -e "$work/enddata.tyl" ] && echo yes || echo no)"
"$cli" convert "$work/enddata.txt" "$work/enddata-again.txt"; check "tab-delimited text keeps it" 0 $?
check "every row" "$(cat "$work/enddata.txt")" "$(cat "$work/enddata-again.txt")"

# A recording that exits before it enters anything cannot be processed.
err=$("$cli" convert "$src/tests/data/playback/exit_in_signon.fpb" "$work/early.tyl" 2>&1); rc=$?
check "a recording that exits in its sign-on exits 1" 1 "$rc"
check "as one that cannot be processed" 1 "$(echo "$err" | grep -c '^typelane-cli: This file cannot be processed by Typelane.$')"
check "and writes nothing" no "$([ -e "$work/early.tyl" ] && echo yes || echo no)"

# Installed copies of the tool, each in a folder of its own.
install_cli() {  # install_cli FOLDER [DATA FILES...]
  local dir=$1; shift
  mkdir -p "$dir"
  cp "$cli" "$dir/typelane-cli"
  for f in "$@"; do cp "$src/data/$f" "$dir/$f"; done
}

# Without commands.dat every command says so and goes on: a sheet with its own
# commands loads whole, and so does one with none.
install_cli "$work/bare"
out=$("$work/bare/typelane-cli" send --dry-run "$src/examples/orders.tyl" 2>"$work/bare.err"); rc=$?
check "send without commands.dat exits 0" 0 "$rc"
check "and says commands.dat is missing" 1 "$(grep -c 'Failed to open the commands file - no default commands loaded.' "$work/bare.err")"
check "the sheet's own commands play" 4 "$(echo "$out" | grep -A2 '^down 11' | grep -c '^down 53')"
out=$("$work/bare/typelane-cli" send --dry-run "$work/rows.txt" 2>/dev/null); rc=$?
check "a sheet without commands loads too" 0 "$rc"
check "every cell" 16 "$(echo "$out" | grep -c '^clip ')"

# A droplists.dat that cannot be read (a link to itself: no one reads it, root
# included) is never written over, and the conversion that needs it fails.
install_cli "$work/looped" commands.dat
ln -s droplists.dat "$work/looped/droplists.dat"
err=$("$work/looped/typelane-cli" convert "$rec" "$work/looped.txt" 2>&1); rc=$?
check "an unreadable droplists.dat fails the conversion" 1 "$rc"
check "it says so" 1 "$(echo "$err" | grep -c 'Failed to open the droplists.dat file - no droplist data loaded.')"
check "droplists.dat is left alone" droplists.dat "$(readlink "$work/looped/droplists.dat")"
check "and nothing is written" no "$([ -e "$work/looped.txt" ] && echo yes || echo no)"

# A system-wide install: the program folder cannot be written, so what a
# conversion learns goes to the user's data folder, and is read from there.
install_cli "$work/system" commands.dat droplists.dat
mkdir -p "$work/user" && chmod 755 "$work" "$work/system" && chmod 777 "$work/user"
cp "$rec" "$work/user/rec.fpb"
as_user=()
if [ "$(id -u)" = 0 ]; then
  # root writes anywhere: the install is tried as an ordinary user.
  if setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  else
    as_user=(skip)
  fi
else
  chmod 555 "$work/system"
fi
if [ "${as_user[0]:-}" = skip ]; then
  echo "skip: a system-wide install (cannot run as another user here)"
else
  err=$("${as_user[@]}" env XDG_DATA_HOME="$work/user/data" XDG_CONFIG_HOME="$work/user/config" \
        "$work/system/typelane-cli" convert "$work/user/rec.fpb" "$work/user/rec.txt" 2>&1); rc=$?
  check "a system-wide install converts a recording" 0 "$rc"
  check "without a message about droplists.dat" 0 "$(echo "$err" | grep -c 'droplists.dat')"
  check "the learnt values are in the user's data folder" 2 \
    "$(grep -c '^INVSDCAT:MTL_CATEGORIES.ENABLED_FLAG=' "$work/user/data/typelane/droplists.dat" 2>/dev/null)"
  check "the installed droplists.dat is left as shipped" 0 "$(wc -c < "$work/system/droplists.dat" | tr -d ' ')"
  printf 'Z9\tZeta\tN\tM2\r\n' > "$work/user/rows.txt"
  "${as_user[@]}" env XDG_DATA_HOME="$work/user/data" XDG_CONFIG_HOME="$work/user/config" \
    "$work/system/typelane-cli" playback "$work/user/rec.fpb" "$work/user/rows.txt" \
    -o "$work/user/rows.fpb" 2>/dev/null
  check "and playback files are written there too" 0 $?
fi
chmod -R u+w "$work/system" 2>/dev/null

# Files are read as they come, so a sheet or a recording may come through a
# pipe (a script's process substitution) as well as from a file.
out=$("$cli" send --dry-run <(cat "$src/examples/orders.tyl")); rc=$?
check "a sheet through a pipe loads" "0|activate Orders" "$rc|$(echo "$out" | head -1)"
"$cli" convert <(cat "$rec") "$work/piped.txt"; check "a recording through a pipe converts" 0 $?
check "to the same rows" "$(cat "$work/categories.txt")" "$(cat "$work/piped.txt")"

finish
