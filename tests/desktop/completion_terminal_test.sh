#!/usr/bin/env bash
# The bash completion of vesk in a real interactive bash, typed into a terminal (tmux) key by key:
# once as bash-completion loads it, once sourced by hand into a bash without bash-completion
# (bash --norc), as the README tells a user of the unpacked folder.
#   completion_terminal_test.sh COMPLETION VESK
set -uo pipefail
completion=$1 vesk=$2
command -v tmux >/dev/null || { echo "tmux is not installed (scripts/bootstrap installs it)"; exit 1; }
work=$(mktemp -d)
terminals=0
socket=
trap 'tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The program folder with the real program, a --home folder whose name has a space, pictures.
mkdir -p "$work/app" "$work/other home" "$work/home" "$work/pictures"
cp "$vesk" "$work/app/vesk"
printf '[Firmwares]\n1=C100\n2=C100-compact\n' >"$work/app/vesk.ini"
printf '[Firmwares]\n1=Alpha\n2=Beta\n' >"$work/other home/vesk.ini"
touch "$work/pictures/sun.c10" "$work/pictures/notes.txt"
printf 'source /usr/share/bash-completion/bash_completion\nsource %q\nPS1="$ "\n' "$completion" >"$work/rc"

# A terminal running `bash ARGS...` in the pictures folder, with nothing of this machine's
# settings: its own home, no inputrc. Each terminal has a server of its own: a new session on
# the socket of a server that is still exiting fails with "server exited unexpectedly".
start() {
  [ -n "$socket" ] && tmux -S "$socket" kill-server 2>/dev/null
  terminals=$((terminals + 1))
  socket=$work/tmux.$terminals.socket
  tmux -S "$socket" -f /dev/null new-session -d -x 160 -y 40 -c "$work/pictures" \
    env -i HOME="$work/home" PATH="$work/app:/usr/bin:/bin" TERM=screen INPUTRC=/dev/null LANG=C.UTF-8 bash "$@"
  wait_for '[$#]$' || fail "no prompt from bash $*"
}

# Waits up to 10 s (a loaded machine starts bash slowly) until the terminal shows a line matching the pattern.
wait_for() {
  local i
  for ((i = 0; i < 100; i++)); do
    tmux -S "$socket" capture-pane -p | grep -q -- "$1" && return 0
    sleep 0.1
  done
  return 1
}

screen() { tmux -S "$socket" capture-pane -p; }

# Types TEXT, then presses each of KEYS (Tab, ...), then expects a line matching PATTERN.
expect() {  # TEXT KEYS PATTERN
  tmux -S "$socket" send-keys -l "$1"
  # shellcheck disable=SC2086 # the keys are words
  tmux -S "$socket" send-keys $2
  wait_for "$3" || fail "$label: '$1' and $2 show no line matching '$3':"$'\n'"$(screen)"
  if screen | grep -q 'command not found'; then fail "$label: '$1' and $2 call what is not there:"$'\n'"$(screen)"; fi
  # The line emptied and the screen cleared: the prompt alone.
  tmux -S "$socket" send-keys C-u C-l
  local i
  for ((i = 0; i < 50; i++)); do
    [ "$(screen | grep -c .)" = 1 ] && screen | grep -q '^\$$' && break
    sleep 0.1
  done
}

check_all() {
  expect "vesk build --home '../other home' --firmware " "Tab Tab" "Alpha.*Beta"
  expect 'vesk build --home ../other\ home --firmware A' "Tab" 'firmware Alpha$'
  expect 'vesk files d.bin --home "../other home" --firmware=B' "Tab" 'firmware=Beta'
  expect "vesk files d.bin --firmware C100-" "Tab" 'firmware C100-compact$'
  expect "vesk conv" "Tab" 'vesk convert$'
  expect "vesk info " "Tab" 'vesk info sun.c10$'
  expect "vesk files d.bin --a" "Tab" 'vesk files d.bin --all$'
}

label="with bash-completion"
start --rcfile "$work/rc" -i
check_all

label="without bash-completion"
start --norc --noprofile -i
tmux -S "$socket" send-keys -l "PS1='\$ '; source '$completion'; clear"
tmux -S "$socket" send-keys Enter
sleep 0.3
declared=$(tmux -S "$socket" send-keys -l 'declare -F _init_completion || echo none' \; send-keys Enter; sleep 0.3; screen)
grep -q '^none$' <<<"$declared" || fail "bash --norc has bash-completion loaded after all"
tmux -S "$socket" send-keys C-l
check_all

[ "$failures" -eq 0 ] && echo "completion in a terminal: all checks passed"
exit "$failures"
