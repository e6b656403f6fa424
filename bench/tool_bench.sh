#!/usr/bin/env bash
# Time of one capcode-tool run that makes an image from ten --set options:
# start-up of the window's model, ten settings through their key filters and
# rules, File > Save. The target is under 50 ms, so that a batch of a
# thousand pagers' images takes under a minute. With --batch, also times one
# such batch (a thousand runs with consecutive capcodes).
# usage: tool_bench.sh [--batch] [PROGRAM]
#        (default PROGRAM: build/release/src/tool/capcode-tool)
set -euo pipefail
batch=0
if [[ ${1:-} == --batch ]]; then
    batch=1
    shift
fi
root=$(cd "$(dirname "$0")/.." && pwd)
tool=$(realpath "${1:-$root/build/release/src/tool/capcode-tool}")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

settings=(--set address1=1234567 --set msgtype1=Public --set "alerttime=16 sec"
          --set hellomsg1=WELCOME --set tonepatternA=ab10 --set channelfreq=4591250
          --set language=GERMAN --set unread_alert=0 --set pubboxlength0=12
          --set serial=AB12CD34)
printf -v command '%q ' "$tool" "${settings[@]}" --save "$out/bench.eep"
hyperfine -N --warmup 3 "$command"

if ((batch)); then
    printf -v loop '%q ' "$tool" "${settings[@]:2}"
    hyperfine --runs 1 "for n in \$(seq 0 999); do $loop --set address1=\$(printf %07d \$((1234567 + 8 * n))) --save $out/pager-\$n.eep >/dev/null; done"
fi
