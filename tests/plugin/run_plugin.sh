#!/usr/bin/env bash
# Runs plugin.exe on copies of folders and checks its exit code, console output and archive.
set -u
exe=$1 emulator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Wine maps the drive Z: to the root of the file system.
win() { printf 'Z:%s' "${1//\//\\}"; }
# Runs the maker with the arguments given; its console output, line ends made Unix ones,
# goes to $out (bytes as written) and $text (as UTF-8). Every run must exit with 0.
run() {
    "$emulator" "$exe" "$@" >"$work/out"
    local status=$?
    [ $status -eq 0 ] || fail "exit code $status for: $*"
    out=$(tr -d '\r' <"$work/out")
    text=$(iconv -f CP932 -t UTF-8 <<<"$out")
}

mkdir -p "$work/my 100%s car/tex"
printf 'xof 0303txt 0032\n' > "$work/my 100%s car/my 100%s car.x"
printf 'BM' > "$work/my 100%s car/tex/a.bmp"

export TOBURE_NO_MESSAGE_BOX=1
run "$(win "$work/my 100%s car")" ignored
grep -aqx 'プラグインメッセージ: プラグイン作成成功' <<<"$text" || fail "success message"
grep -aq 'my 100%s car\.x' <<<"$out" || fail "percent sign in log line"
[ -f "$work/my 100%s car.pin" ] || fail "archive"

run
[ "$text" = 'プラグインメッセージ: エラー！！フォルダをドラッグ＆ドロップしてください。' ] || fail "no argument: $text"

run "$(win "$work/missing")"
grep -aq '^エラー！フォルダを指定してください。' <<<"$text" || fail "missing folder: $text"

# A packing that fails still exits with 0.
mkdir -p "$work/locked"
printf 'x' > "$work/locked/locked.x"
mkdir "$work/locked.pin"
run "$(win "$work/locked")"
grep -aqx 'エラー！プラグインファイルの作成に失敗しました。' <<<"$text" || fail "uncreatable archive: $text"
