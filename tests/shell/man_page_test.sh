#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# A manual page renders without a warning, has the sections a user looks for, carries the
# version, and names every option that the program's --help names.
# Usage: man_page_test.sh PAGE [PROGRAM]
page=$1
program=${2:-}
status=0
fail() { echo "FAIL: $page: $*"; status=1; }

warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "warnings: $warnings"
text=$(MANWIDTH=80 man -l "$page" 2>/dev/null | col -b)
for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES "SEE ALSO"; do
  printf '%s\n' "$text" | grep -q "^$section\$" || fail "no section $section"
done
case $text in *@*VERSION@*) fail "version not filled in" ;; esac

if [ -n "$program" ]; then
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help) || fail "$program --help failed"
  for option in $(printf '%s\n' "$help" | grep -o -E -- '(^|[][ |(])--?[a-z][a-z-]*' | sed 's/^[][ |(]//' | sort -u); do
    printf '%s\n' "$text" | grep -q -F -e "$option" || fail "$option of --help is not in the page"
  done
fi
[ $status -eq 0 ] && echo "$page: fine"
exit $status
