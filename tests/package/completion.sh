#!/usr/bin/env bash
# The bash completion offers what the programs' --help texts name: the
# commands of vellum, a command's options, and the options of the servers.
#   completion.sh COMPLETION_SCRIPT BIN_DIR...
set -euo pipefail
script=$1
shift
for dir in "$@"; do PATH=$dir:$PATH; done
fail() { echo "completion: $*" >&2; exit 1; }
# shellcheck disable=SC1090
source "$script"

# complete WORD... : the candidates for the last word of the line.
complete_line() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  local spec function
  spec=$(complete -p "$1")
  function=$(sed -n 's/.*-F \([^ ]*\).*/\1/p' <<<"$spec")
  "$function"
  printf '%s\n' "${COMPREPLY[@]}"
}

got=$(complete_line vellum se)
grep -qx send <<<"$got" || fail "'vellum se' offers: $got"
got=$(complete_line vellum send --con)
[[ $got == --connect ]] || fail "'vellum send --con' offers: $got"
got=$(complete_line vellum-attachd --ro)
[[ $got == --root ]] || fail "'vellum-attachd --ro' offers: $got"
echo "completion: commands and options complete"
