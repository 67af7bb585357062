#!/usr/bin/env bash
# End-to-end cases for trivane-render: cli_test.sh CASE TOOL REPO_ROOT TESTDATA
set -u
case_name=$1
tool=$2
root=$3
testdata=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL [$case_name]: $*" >&2
    exit 1
}

# CTest reports this status as skipped.
skip() {
    echo "SKIP [$case_name]: $*"
    exit 77
}

# A 64 x 64 24-bit checkerboard texture of 8-pixel squares.
write_checker_bmp() {
    local out=$1 a b y
    a=$(printf '\xc8\x50\x28%.0s' 1 2 3 4 5 6 7 8)
    b=$(printf '\x28\xc8\xdc%.0s' 1 2 3 4 5 6 7 8)
    {
        printf 'BM\x36\x30\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
        printf '\x28\x00\x00\x00\x40\x00\x00\x00\x40\x00\x00\x00\x01\x00\x18\x00'
        printf '\x00\x00\x00\x00\x00\x30\x00\x00'
        printf '\x00%.0s' $(seq 1 16)
        for y in $(seq 0 63); do
            if [ $(((y / 8) % 2)) -eq 0 ]; then
                printf "$a$b$a$b$a$b$a$b"
            else
                printf "$b$a$b$a$b$a$b$a"
            fi
        done
    } >"$out"
}

# The scene the runs start in: the repository's default scene, or, while it
# is missing, a stand-in made of a shared test model and a generated texture.
if [ -f "$root/64Bits.bmp" ] && [ -f "$root/data/bou.ASE" ]; then
    scene=$root
    repo_scene=1
elif [ -f "$testdata/ase/ThreeCubesGreen.ASE" ]; then
    scene=$work/scene
    repo_scene=0
    mkdir -p "$scene/data"
    ln -s "$testdata/ase/ThreeCubesGreen.ASE" "$scene/data/bou.ASE"
    write_checker_bmp "$scene/64Bits.bmp"
    [ "$(stat -c %s "$scene/64Bits.bmp")" -eq 12342 ] || fail "generated texture has the wrong size"
else
    scene=""
    repo_scene=0
fi

# Raw framebuffer of a run on that scene, without the text lines (so fonts
# cannot change it).
raw() {
    local out=$1
    shift
    [ -n "$scene" ] || skip "neither the default scene nor the shared test models are present"
    "$tool" -C "$scene" --no-text --raw "$out" "$@" 2>"$work/stderr" || fail "run failed ($*): $(cat "$work/stderr")"
}

same() { cmp -s "$1" "$2"; }

# A bad argument: status 2, one line on stderr naming TOKEN, nothing on
# stdout, and neither output file written.
expect_usage_error() {
    local token=$1
    shift
    rm -f "$work/out.png" "$work/out.raw"
    "$tool" -o "$work/out.png" --raw "$work/out.raw" "$@" >"$work/stdout" 2>"$work/stderr"
    local status=$?
    [ "$status" -eq 2 ] || fail "expected status 2 for ($*), got $status"
    [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "expected one line on stderr for ($*): $(cat "$work/stderr")"
    grep -qF -- "$token" "$work/stderr" || fail "stderr for ($*) does not name '$token': $(cat "$work/stderr")"
    [ ! -s "$work/stdout" ] || fail "stdout not empty for ($*)"
    [ ! -e "$work/out.png" ] && [ ! -e "$work/out.raw" ] || fail "an output was written for ($*)"
}

case "$case_name" in
help)
    "$tool" --help >"$work/help" 2>"$work/stderr" || fail "--help exited with $?"
    for word in Usage -C --events --frames --no-text --raw -o Examples lbdown: dialog:ROW,CODE,THUMB 1440000; do
        grep -qF -- "$word" "$work/help" || fail "--help does not mention $word"
    done
    [ ! -s "$work/stderr" ] || fail "--help wrote to stderr"
    # Every name a script may use, as --help lists them, with its number in
    # the manual page and by name in the README.
    names=$(sed -n '/^Names/,$p' "$work/help" | grep -oE '[A-Za-z.]+ [0-9]+')
    [ "$(echo "$names" | wc -l)" -ge 67 ] || fail "--help lists $(echo "$names" | wc -l) names"
    sed 's/\\%//g' "$root/packaging/trivane-render.1" >"$work/man"
    while read -r name number; do
        grep -qE "(^|[ (])$name $number([^0-9]|\$)" "$work/man" ||
            fail "the manual page does not give $name as $number"
        grep -qwF "$name" "$root/README.md" || fail "README.md does not name $name"
    done <<<"$names"
    # --help wins over anything else and writes nothing.
    "$tool" --bogus -o "$work/x.png" -h >/dev/null || fail "-h with other arguments failed"
    [ ! -e "$work/x.png" ] || fail "-h wrote a picture"
    ;;
bad_arguments)
    expect_usage_error "--frobnicate" --frobnicate
    expect_usage_error "stray" model.ase stray
    expect_usage_error "--frames" --frames
    expect_usage_error "-1" --frames -1
    expect_usage_error "1e3" --frames 1e3
    expect_usage_error "1000001" --frames 1000001
    expect_usage_error "--frames" --frames 2 --frames 3
    expect_usage_error "0" --threads 0
    expect_usage_error "257" --threads 257
    expect_usage_error "8193x600" --size 8193x600
    expect_usage_error "15x600" --size=15x600
    expect_usage_error "800" --size 800
    expect_usage_error "-o" -o "$work/again.png"
    expect_usage_error "--raw" --raw=
    expect_usage_error "--no-text" --no-text=yes
    expect_usage_error "-C" -C
    expect_usage_error "$work/missing" -C "$work/missing"
    expect_usage_error "--events" --events
    expect_usage_error "$work/none.txt" --events-file "$work/none.txt"
    expect_usage_error "exclude" --events frame --events-file "$work/none.txt"
    ;;
bad_events)
    expect_usage_error "jump:3" --events "frame;jump:3"
    expect_usage_error "Frame" --events "Frame"
    expect_usage_error "key:" --events "key:"
    expect_usage_error "key" --events "key"
    expect_usage_error "key:12x" --events "key:12x"
    expect_usage_error "key:2147483648" --events "key:2147483648"
    expect_usage_error "menu:+40013" --events "menu:+40013"
    expect_usage_error "move:1" --events "move:1"
    expect_usage_error "move:1,2,3" --events "move:1,2,3"
    expect_usage_error "lbdown:,5" --events "lbdown:,5"
    expect_usage_error "lbup:3" --events "lbup:3"
    expect_usage_error "frame:1" --events "frame:1"
    expect_usage_error 'load:"a' --events 'load:"a;b'
    # What cannot be shown as it is, is shown escaped.
    printf 'frame;fr\0ame\033[2J' >"$work/nul.txt"
    expect_usage_error 'unknown event "fr\x00ame\x1b[2J"' --events-file "$work/nul.txt"
    printf '\377\376f\0r\0' >"$work/utf16.txt"
    expect_usage_error "is UTF-16 text; save it as UTF-8" --events-file "$work/utf16.txt"
    expect_usage_error "wheel:" --events "wheel:"
    expect_usage_error "load:" --events "load:"
    expect_usage_error "dialog:1060,5" --events "dialog:1060,5"
    expect_usage_error "dialog:1060,5,70000" --events "dialog:1060,5,70000"
    expect_usage_error "dialog:1060,5,-1" --events "dialog:1060,5,-1"
    for bad in key:1.5 key:0x10 key:+5 "key:5 5" move:1, lbdown rbup: dialog:1,2,3,4 dialog:1060,5,65536; do
        expect_usage_error "\"$bad\"" --events "$bad"
    done
    expect_usage_error 'bad event "load:": load takes a path' --events "  load:   "
    # Blanks around events and numbers, and empty events, are fine.
    raw "$work/a.raw" --events "  frame ; key: 39 ;; move: 3 , 4 ;" || fail "blanks were refused"
    ;;
raw_and_png)
    [ -n "$scene" ] || skip "no scene"
    "$tool" -C "$scene" --raw "$work/f.raw" -o "$work/f.png" || fail "run failed"
    [ "$(stat -c %s "$work/f.raw")" -eq 1440000 ] || fail "raw size $(stat -c %s "$work/f.raw")"
    [ "$(head -c 8 "$work/f.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "not a PNG"
    # The text is part of the framebuffer: with it the bytes differ.
    raw "$work/n.raw"
    ! same "$work/f.raw" "$work/n.raw" || fail "the text lines left no mark"
    # The default scene draws something besides black.
    [ "$(tr -d '\000' <"$work/n.raw" | head -c 1000 | wc -c)" -eq 1000 ] || fail "the default scene is black"
    # --frames 0 with no events renders nothing: all black.
    raw "$work/z.raw" --frames 0
    [ "$(tr -d '\000' <"$work/z.raw" | wc -c)" -eq 0 ] || fail "an unrendered frame is not black"
    # A full disk fails the run: libpng meets the failed write with a real
    # picture, only the final flush does with a black one.
    if [ -w /dev/full ]; then
        for black in "" "--frames 0"; do
            # shellcheck disable=SC2086
            "$tool" -C "$scene" --no-text $black -o /dev/full 2>"$work/stderr"
            [ $? -eq 1 ] && grep -qF 'cannot write "/dev/full"' "$work/stderr" || fail "a full disk went unnoticed ($black)"
        done
    fi
    ;;
unreadable_inputs)
    [ -n "$scene" ] || skip "no scene"
    # Files that are no model or script: each is refused without being read
    # (a FIFO without waiting for a writer), says why, and exits 1 (a load,
    # after writing the picture of the default model) or 2 (a script).
    mkdir -p "$work/dir" && mkfifo "$work/fifo" || fail "no work files"
    tr '\n' '\r' <"$root/tests/cli/names.ase" >"$work/mac.ase"
    while IFS='|' read -r args status said; do
        # shellcheck disable=SC2086
        timeout 20 "$tool" -C "$scene" --no-text --raw "$work/out.raw" $args 2>"$work/stderr"
        got=$?
        [ "$got" -eq "$status" ] && grep -qF -- "$said" "$work/stderr" ||
            fail "($args) gave status $got and said: $(cat "$work/stderr")"
    done <<CASES
--events load:/dev/zero|1|/dev/zero: cannot open it (it is a device, not a regular file); loaded the default model
--events load:$work/fifo|1|$work/fifo: cannot open it (it is a FIFO, not a regular file); loaded the default model
--events load:$work/dir|1|$work/dir: cannot open it (it is a directory); loaded the default model
--events load:$work/mac.ase|1|its lines end in carriage returns alone
--events-file /dev/zero|2|cannot read events file "/dev/zero": it is a device, not a regular file
--events-file $work/fifo|2|it is a FIFO, not a regular file
--events-file $work/dir|2|it is a directory
CASES
    # A texture with a newer, longer header shows the same picture.
    mkdir -p "$work/v5" && cp -r "$scene/data" "$work/v5/" || fail "no copy of the scene"
    python3 - "$scene/64Bits.bmp" "$work/v5/64Bits.bmp" <<'PY' || fail "no V5 bitmap"
import struct, sys
bmp = open(sys.argv[1], "rb").read()
assert struct.unpack_from("<I", bmp, 10)[0] == 54 and struct.unpack_from("<I", bmp, 14)[0] == 40
head = bytearray(bmp[:54]) + bytes(84)
struct.pack_into("<IIII", head, 2, len(bmp) + 84, 0, 138, 124)
open(sys.argv[2], "wb").write(bytes(head) + bmp[54:])
PY
    raw "$work/classic.raw"
    "$tool" -C "$work/v5" --no-text --raw "$work/v5.raw" || fail "the V5 bitmap run failed"
    same "$work/classic.raw" "$work/v5.raw" || fail "a V5 header changed the picture"
    ;;
failed_writes)
    [ -n "$scene" ] || skip "no scene"
    # A write that fails midway (a file size limit, a full disk) or cannot
    # start says why, and leaves the earlier file as it was and nothing else.
    mkdir -p "$work/out/dir.png" && cd "$work/out" || fail "no work directory"
    printf 'earlier picture' >f.png
    printf 'earlier frame' >f.raw
    while IFS='|' read -r limit args reason; do
        # shellcheck disable=SC2086
        (ulimit -f "$limit" && "$tool" -C "$scene" $args) 2>"$work/stderr"
        [ $? -eq 1 ] && grep -qF ": $reason" "$work/stderr" || fail "($args) did not say \"$reason\": $(cat "$work/stderr")"
    done <<'CASES'
16|-o f.png|File too large
100|--raw f.raw|File too large
unlimited|-o /dev/full|No space left on device
unlimited|--raw /dev/full|No space left on device
unlimited|-o dir.png|it is a directory
CASES
    [ "$(cat f.png)" = "earlier picture" ] && [ "$(cat f.raw)" = "earlier frame" ] || fail "an earlier file was changed"
    [ "$(ls -A | tr '\n' ' ')" = "dir.png f.png f.raw " ] && [ -z "$(ls -A dir.png)" ] || fail "files were left: $(ls -AR)"
    # A complete write replaces the file, through a link to it, and devices
    # are written in place.
    ln -s f.png link.png
    "$tool" -C "$scene" -o link.png --raw /dev/null || fail "a good write failed"
    [ -L link.png ] && [ "$(head -c 4 f.png | tail -c 3)" = PNG ] || fail "the link's file was not replaced"
    ;;
same_bytes_twice)
    events="menu:40015;lbdown:400,300;move:410,310;move:430,290;lbup;rbdown:10,10;move:10,30;rbup;frame;key:32;key:38;dialog:1053,5,40;frame"
    [ -n "$scene" ] || skip "no scene"
    "$tool" -C "$scene" --events "$events" --frames 3 --raw "$work/1.raw" || fail "first run failed"
    "$tool" -C "$scene" --events "$events" --frames 3 --raw "$work/2.raw" || fail "second run failed"
    same "$work/1.raw" "$work/2.raw" || fail "two runs with text differ"
    raw "$work/3.raw" --events "$events" --frames 3
    raw "$work/4.raw" --events "$events" --frames 3
    same "$work/3.raw" "$work/4.raw" || fail "two runs without text differ"
    ;;
held_key_moves)
    raw "$work/base.raw" --events "frame"
    # Held across a frame: every frame re-transforms, so the model moves.
    raw "$work/held.raw" --events "frame;down:39;frame;up:39"
    ! same "$work/base.raw" "$work/held.raw" || fail "a held key did not move the picture"
    # Held, released, then a wheel message (which marks the scene dirty).
    raw "$work/camera.raw" --events "frame;down:81;frame;up:81"
    ! same "$work/base.raw" "$work/camera.raw" || fail "a held camera key did not move the picture"
    ! same "$work/held.raw" "$work/camera.raw" || fail "moving the model and the camera looked the same"
    ;;
tap_between_frames_does_not)
    raw "$work/base.raw" --events "frame"
    # Pressed and released between two frames: the values change but no
    # re-transform follows, so the picture stays.
    raw "$work/tap.raw" --events "frame;key:39;key:39;key:81"
    same "$work/base.raw" "$work/tap.raw" || fail "a key tapped between frames moved the picture"
    # The next flagged change shows all of them at once.
    raw "$work/later.raw" --events "frame;key:39;key:39;key:81;wheel:0"
    raw "$work/direct.raw" --events "frame;down:39;down:39;down:81;frame;up:81"
    ! same "$work/base.raw" "$work/later.raw" || fail "the wheel did not show the taps"
    same "$work/later.raw" "$work/direct.raw" || fail "the taps did not all take effect"
    ;;
exit_ends_events)
    raw "$work/base.raw"
    raw "$work/exit.raw" --events "menu:40001;menu:40013;key:39"
    same "$work/base.raw" "$work/exit.raw" || fail "events after Exit were applied"
    raw "$work/wire.raw" --events "menu:40013" --frames 3
    ! same "$work/base.raw" "$work/wire.raw" || fail "Wire changed nothing"
    # Ids no command has, the dialog opened and closed unchanged and Load ASE
    # without a file change nothing over three frames, and end nothing.
    unused="40000;40004;40005;40006;40007;40008;40009;40016;40029;0;-1;1;2;40018;40019"
    raw "$work/nothing.raw" --events "menu:${unused//;/;menu:};menu:40013" --frames 3
    same "$work/wire.raw" "$work/nothing.raw" || fail "commands without effect changed the picture"
    ;;
refused_paths)
    raw "$work/base.raw"
    raw "$work/cube.raw" --events "menu:40017"
    ! same "$work/base.raw" "$work/cube.raw" || fail "the cube looks like the default model"
    # A chosen path over 255 bytes is refused like a cancel: the cube stays
    # (accepting it would have fallen back to the default model).
    long="./$(printf 'x%.0s' $(seq 1 254))"
    [ "${#long}" -eq 256 ] || fail "test path is ${#long} bytes"
    raw "$work/long.raw" --events "menu:40017;load:$long"
    same "$work/cube.raw" "$work/long.raw" || fail "a path over 255 bytes was not refused"
    # A file that cannot be opened falls back to the default model, and the
    # status says that the file named was not read.
    "$tool" -C "$scene" --no-text --raw "$work/missing.raw" --events "menu:40017;load:./no/such/file.ase" 2>"$work/stderr"
    [ $? -eq 1 ] || fail "a fall-back exited with 0"
    same "$work/base.raw" "$work/missing.raw" || fail "a missing file did not fall back to the default model"
    grep -qF "loaded the default model" "$work/stderr" || fail "the fall-back was not reported: $(cat "$work/stderr")"
    # A file that gives no mesh keeps the cube, says why and exits 1 after
    # writing the picture.
    printf 'not a model\n' >"$work/text.ase"
    rm -f "$work/bad.raw"
    "$tool" -C "$scene" --no-text --raw "$work/bad.raw" --events "menu:40017;load:$work/text.ase" 2>"$work/stderr"
    [ $? -eq 1 ] || fail "a load that gave no model did not exit 1"
    same "$work/cube.raw" "$work/bad.raw" || fail "a load that gave no model changed the picture"
    grep -qF "text.ase: no *GEOMOBJECT found" "$work/stderr" || fail "no reason given: $(cat "$work/stderr")"
    # A real model at exactly 255 bytes is loaded, at 256 refused.
    model="$testdata/ase/ThreeCubesGreen.ASE"
    if [ -f "$model" ]; then
        padded() {  # the model's path padded with "/." and "/" to $1 bytes
            local dir p
            dir=$(dirname "$model")
            p="$dir"
            while [ $((${#p} + ${#model} - ${#dir} + 2)) -le "$1" ]; do p="$p/."; done
            while [ $((${#p} + ${#model} - ${#dir})) -lt "$1" ]; do p="$p/"; done
            echo "$p/$(basename "$model")"
        }
        p255=$(padded 255)
        p256=$(padded 256)
        [ "${#p255}" -eq 255 ] && [ "${#p256}" -eq 256 ] || fail "padding gave ${#p255} and ${#p256} bytes"
        raw "$work/m255.raw" --events "menu:40017;load:$p255"
        raw "$work/m256.raw" --events "menu:40017;load:$p256"
        raw "$work/model.raw" --events "load:$model"
        same "$work/m255.raw" "$work/model.raw" || fail "a 255-byte path was not loaded"
        same "$work/m256.raw" "$work/cube.raw" || fail "a 256-byte path was loaded"
        [ "$repo_scene" -eq 0 ] || ! same "$work/model.raw" "$work/base.raw" || fail "the test model looks like the default one"
    else
        echo "test models not found under $testdata; the 255-byte load is not checked"
    fi
    # Any path can be named, quoted.
    mkdir -p "$work/a;b" && cp "$root/tests/cli/names.ase" "$work/a;b/m \"1\".ase"
    raw "$work/plain.raw" --events "load:$root/tests/cli/names.ase"
    raw "$work/quoted.raw" --events "load: \"$work/a;b/m \\\"1\\\".ase\" ;frame"
    same "$work/plain.raw" "$work/quoted.raw" || fail "a quoted path with ';' was not loaded"
    ;;
utf16_text)
    command -v iconv >/dev/null || skip "iconv is not installed"
    # The loader's case file in UTF-16 with a byte-order mark, both byte
    # orders: the same picture. Its name with U+016E must not read as "Bone";
    # a line of surrogate pairs must still fit its first 255-character piece.
    raw "$work/plain.raw" --events "load:$root/tests/cli/names.ase"
    for order in LE BE; do
        mark='\xff\xfe'
        [ "$order" = BE ] && mark='\xfe\xff'
        { printf "$mark"; iconv -f UTF-8 -t "UTF-16$order" "$root/tests/cli/names.ase"; } >"$work/$order.ase" ||
            fail "iconv failed"
        raw "$work/$order.raw" --events "load:$work/$order.ase"
        same "$work/plain.raw" "$work/$order.raw" || fail "UTF-16$order text reads differently"
    done
    ;;
thumbnail)
    [ -n "$scene" ] || skip "no scene"
    # A square picture of the model framed, for every real model there is;
    # a model that cannot be opened is said, with status 1.
    for model in "$root/data/bou.ASE" "$testdata"/ase/*.ase "$testdata"/ase/*.ASE; do
        [ -f "$model" ] || continue
        (cd "$scene" && "$tool" --thumbnail 128 --raw "$work/thumb.raw" "$model") 2>"$work/stderr" ||
            fail "no thumbnail of $model: $(cat "$work/stderr")"
        [ "$(stat -c %s "$work/thumb.raw")" -eq $((128 * 128 * 3)) ] || fail "the thumbnail of $model is not 128 x 128"
        [ "$(tr -d '\000' <"$work/thumb.raw" | wc -c)" -gt 1000 ] || fail "the thumbnail of $model is nearly empty"
    done
    "$tool" --thumbnail 64 --raw "$work/none.raw" "$work/none.ase" 2>"$work/stderr"
    [ $? -eq 1 ] && grep -qF "$work/none.ase: cannot open it" "$work/stderr" || fail "a missing model was not said"
    ;;
missing_files)
    [ -n "$scene" ] || skip "no scene"
    # A copy outside the build tree, which would otherwise read the source
    # tree's scene. Each missing file is one line on stderr naming every place
    # looked; the outputs are written and the status is 1.
    mkdir -p "$work/bin"
    cp "$tool" "$work/bin/trivane-render"
    missing() {  # DIR FILE: a run in DIR that loads the case file
        "$work/bin/trivane-render" -C "$1" --no-text --raw "$1.raw" --events "load:$root/tests/cli/names.ase;frame" \
            2>"$work/stderr"
        [ $? -eq 1 ] || fail "a run in $1 without $2 did not exit with 1"
        [ -f "$1.raw" ] || fail "a run in $1 without $2 wrote no picture"
        [ "$(wc -l <"$work/stderr")" -eq 1 ] && grep -qF "cannot find $2, looked for $(cd "$1" && pwd -P)/${2#./} and $(cd "$work" && pwd -P)/share/trivane/${2#./}" "$work/stderr" ||
            fail "the missing $2 was not named on one line with its places: $(cat "$work/stderr")"
    }
    # Without the texture nothing is drawn, not even a model loaded later; a
    # directory of its name is no texture either.
    mkdir -p "$work/empty" "$work/texture" "$work/directory/64Bits.bmp"
    for dir in empty directory; do
        missing "$work/$dir" ./64Bits.bmp
        [ "$(tr -d '\000' <"$work/$dir.raw" | wc -c)" -eq 0 ] || fail "something was drawn without the texture ($dir)"
    done
    # Without the default model the start-up view still holds.
    cp "$scene/64Bits.bmp" "$work/texture/"
    missing "$work/texture" ./data/bou.ASE
    raw "$work/scene.raw" --events "load:$root/tests/cli/names.ase;frame"
    same "$work/scene.raw" "$work/texture.raw" || fail "without the default model a load looks different"
    ;;
output_relative_to_start)
    mkdir -p "$work/run" && cd "$work/run" || fail "no work directory"
    "$tool" -C "$root" --no-text --frames 0 -o out.png --raw sub/../out.raw 2>"$work/stderr"
    [ $? -eq 1 ] || fail "a missing output directory was not an error"
    "$tool" -C "$root" --no-text --frames 0 -o out.png --raw out.raw || fail "run failed"
    [ -f "$work/run/out.png" ] && [ -f "$work/run/out.raw" ] || fail "outputs not next to the caller"
    [ ! -e "$root/out.png" ] || fail "output written into the -C directory"
    ;;
pinned_frames)
    [ "$repo_scene" -eq 1 ] || skip "the repository's default scene is missing"
    # Regression guards: raw frames without text, by SHA-256. Each line:
    # name | events | --frames | checksum [| --size]. If a deliberate change
    # to the pipeline moves one, look at the picture (-o) before re-pinning.
    fails=0
    while IFS='|' read -r name events frames sum size; do
        case "$name" in '' | \#*) continue ;; esac
        # One worker and more workers than cores give the same bytes.
        for threads in 1 3; do
            raw "$work/$name.raw" --events "$events" --frames "$frames" --threads "$threads" --size "${size:-800x600}"
            got=$(sha256sum "$work/$name.raw" | cut -d' ' -f1)
            if [ "$got" != "$sum" ]; then
                echo "pinned frame '$name' changed with $threads threads: $got" >&2
                fails=$((fails + 1))
            fi
        done
    done <"$(dirname "$0")/pinned_frames.txt"
    [ "$fails" -eq 0 ] || fail "$fails pinned frames changed"
    ;;
*)
    fail "unknown case"
    ;;
esac
exit 0
