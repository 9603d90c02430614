#!/usr/bin/env bash
# The man pages as a reader sees them: groff renders each without a warning,
# and every line the program prints for --help, and for vellum every line of
# every command's --help, is on the page (so the build wrote them from the
# programs as they are, and no line was lost to roff's escapes).
#   man-pages.sh MAN_DIR PROGRAM...
set -euo pipefail
man_dir=$1
shift
fail() { echo "man-pages: $*" >&2; exit 1; }

# Text with runs of blanks as one space and the minus sign groff renders for
# an escaped hyphen as a hyphen.
squeezed() { sed -e 's/\xe2\x88\x92/-/g' -e 's/\xe2\x80\x90/-/g' | tr -s ' \t' '  ' | sed 's/^ //; s/ $//'; }

# What a program prints for --help: stdout, or stderr when stdout is empty.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
help_text() {
  local text
  text=$("$@" --help 2>/dev/null) || true
  [[ -n $text ]] || text=$("$@" --help 2>&1 >/dev/null) || true
  printf '%s\n' "$text"
}

# Every line of `PROGRAM ARGS --help` must be a line of the rendered page.
page_has_help() {
  local rendered=$1
  shift
  local line
  while IFS= read -r line; do
    [[ -n $line ]] || continue
    grep -qxF -- "$line" "$rendered" || fail "$(basename "$1") $2: not on the page: $line"
  done < <(help_text "$@" | squeezed)
}

for program in "$@"; do
  name=$(basename "$program")
  page=$man_dir/$name.1
  [[ -f $page ]] || fail "no page $page"
  warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1)
  [[ -z $warnings ]] || fail "groff warns about $name.1: $warnings"
  rendered=$(mktemp)
  trap 'rm -f "$rendered"' EXIT
  groff -man -Tutf8 -P-cbou -rLL=250n -rHY=0 "$page" | squeezed >"$rendered"
  page_has_help "$rendered" "$program"
  if [[ $name == vellum ]]; then
    commands=$("$program" --help | sed -n 's/^  \([a-z][a-z0-9-]*\)  .*/\1/p')
    [[ -n $commands ]] || fail "vellum --help lists no command"
    for command in $commands; do page_has_help "$rendered" "$program" "$command"; done
  fi
done
echo "man-pages: every --help line is on its page"
