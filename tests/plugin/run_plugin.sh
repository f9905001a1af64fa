#!/usr/bin/env bash
# Runs plugin.exe on copies of folders and checks its console output and archive.
set -u
exe=$1 emulator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Wine maps the drive Z: to the root of the file system.
win() { printf 'Z:%s' "${1//\//\\}"; }

mkdir -p "$work/my 100%s car/tex"
printf 'xof 0303txt 0032\n' > "$work/my 100%s car/my 100%s car.x"
printf 'BM' > "$work/my 100%s car/tex/a.bmp"

export TOBURE_NO_MESSAGE_BOX=1
out=$("$emulator" "$exe" "$(win "$work/my 100%s car")" ignored | tr -d '\r') || fail "exit code"
grep -aqx 'プラグインメッセージ: プラグイン作成成功' <<<"$(iconv -f CP932 -t UTF-8 <<<"$out")" || fail "success message"
grep -aq 'my 100%s car\.x' <<<"$out" || fail "percent sign in log line"
[ -f "$work/my 100%s car.pin" ] || fail "archive"

out=$("$emulator" "$exe" | tr -d '\r' | iconv -f CP932 -t UTF-8)
[ "$out" = 'プラグインメッセージ: エラー！！フォルダをドラッグ＆ドロップしてください。' ] || fail "no argument: $out"

out=$("$emulator" "$exe" "$(win "$work/missing")" | tr -d '\r' | iconv -f CP932 -t UTF-8)
grep -aq '^エラー！フォルダを指定してください。' <<<"$out" || fail "missing folder: $out"
