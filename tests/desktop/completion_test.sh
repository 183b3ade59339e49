#!/usr/bin/env bash
# The bash completion of vesk, sourced as bash-completion loads it, on a few command lines:
# commands and options from the program's help, firmware names from the program folder's
# vesk.ini (or --home's), picture files for the picture commands.
#   completion_test.sh COMPLETION VESK
set -uo pipefail
completion=$1 vesk=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A program folder with the real program in it, a second folder for --home, and a link to the
# program from elsewhere.
mkdir -p "$work/app" "$work/other" "$work/bin" "$work/pictures/sub"
cp "$vesk" "$work/app/vesk"
printf '; firmwares\n[Firmwares]\n1=C100\n2 = C100-compact \n[Temp]\nX=1\n' > "$work/app/vesk.ini"
printf '[firmwares]\n1=Alpha\n2="Beta"\n;3=Commented\n[FIRMWARES]\n3=Ignored\n' > "$work/other/vesk.ini"
ln -s "$work/app/vesk" "$work/bin/vesk"
touch "$work/pictures/a.c10" "$work/pictures/b.txt" "$work/pictures/c.PNG" "$work/pictures/d.bin" "$work/pictures/e.gif"

source /usr/share/bash-completion/bash_completion
source "$completion"

# The candidates for a line whose cursor stands at its end, sorted, on one line.
candidates() {
  local line=$1
  COMP_LINE=$line
  COMP_POINT=${#line}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _vesk "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}

expect() {  # LINE EXPECTED
  local got
  got=$(candidates "$1")
  [ "$got" = "$2" ] || { echo "FAIL: '$1' gives '$got', not '$2'"; failures=$((failures + 1)); }
}

expect_has() {  # LINE WORD...
  local got word
  got=" $(candidates "$1") "
  for word in "${@:2}"; do
    [[ $got == *" $word "* ]] || { echo "FAIL: '$1' gives '$got', without '$word'"; failures=$((failures + 1)); }
  done
}

expect_lacks() {  # LINE WORD
  local got
  got=" $(candidates "$1") "
  [[ $got != *" $2 "* ]] || { echo "FAIL: '$1' offers '$2'"; failures=$((failures + 1)); }
}

app=$work/app/vesk
expect_has "$app " lists files unpack blank format build info cat convert thumbnail map check diff recover repack --help
expect_has "$app repack d.bin --" --add --convert --out --remove --rename --replace
expect "$app th" "thumbnail"
expect "$app --help con" "convert"
expect "$app convert a.c10 b.gif --d" "--delay"
expect_has "$app convert --" --compact --delay --firmware --frame --help --home
expect_lacks "$app convert --" --all
expect_has "$app files d.bin --" --all --json --list
expect "$app files d.bin --firmware " "C100 C100-compact"
expect "$app files d.bin --firmware C100-" "C100-compact"
expect "$app files d.bin --home $work/other --firmware " "Alpha Beta"
expect "$app files d.bin --home=$work/other --firmware=" "Alpha Beta"
expect "$work/bin/vesk lists d.bin --firmware " "C100 C100-compact"
expect "$app files d.bin --frame " ""

cd "$work/pictures"
export PATH="$work/app:$PATH"
expect "vesk info " "a.c10 c.PNG d.bin sub"
expect "vesk thumbnail " "a.c10 c.PNG sub"
expect "vesk convert " "a.c10 c.PNG e.gif sub"
expect "vesk convert a.c10 " "a.c10 c.PNG e.gif sub"
expect "vesk lists " "a.c10 b.txt c.PNG d.bin e.gif sub"
expect "vesk unpack d.bin --out " "sub"
expect "vesk repack d.bin --out " "a.c10 b.txt c.PNG d.bin e.gif sub"
expect "vesk diff d.bin --with " ""

[ "$failures" -eq 0 ] && echo "completion: all checks passed"
exit "$failures"
