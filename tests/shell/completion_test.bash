# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of lyrimate-cli, called as bash calls it: on made-up COMP_WORDS in a
# folder with known names. Usage: bash completion_test.bash COMPLETION-FILE
completion=$(realpath "$1")
failures=0

# shellcheck source=/dev/null
source "$completion" || { echo "cannot load $completion"; exit 1; }
registered=$(complete -p lyrimate-cli 2>&1)
[[ $registered == *"-F _lyrimate_cli"* ]] || { echo "not registered: $registered"; failures=$((failures + 1)); }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir alpha beta
touch afile

# expect "WORD WORD ... CURRENT" "REPLY REPLY ...": the line as typed (the last word is the one
# completed; a trailing space gives an empty one) and the replies in any order.
expect() {
  local line=$1 wanted=$2 got
  read -r -a COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _lyrimate_cli
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ')
  wanted=$(printf '%s\n' $wanted | sed '/^$/d' | sort | tr '\n' ' ')
  if [ "$got" != "$wanted" ]; then
    echo "FAIL: '$line' gave [$got], expected [$wanted]"
    failures=$((failures + 1))
  fi
}

# Commands and global options.
expect "lyrimate-cli " "detect scan list register remove tick untick export page lyrics"
expect "lyrimate-cli re" "register remove"
expect "lyrimate-cli --" "--data-dir --player --help --version"
expect "lyrimate-cli --player alpha --data-dir beta li" "list"
expect "lyrimate-cli --player = alpha ex" "export"
expect "lyrimate-cli --version " ""

# Folders only, in every spelling of the option.
expect "lyrimate-cli --player a" "alpha"
expect "lyrimate-cli --data-dir " "alpha beta"
expect "lyrimate-cli --data-dir = b" "beta"
expect "lyrimate-cli --player alpha --player " "alpha beta"

# Sub-commands and the options of each command.
expect "lyrimate-cli list " "player registered"
expect "lyrimate-cli list player " ""
expect "lyrimate-cli scan --" "--import-lyrics"
expect "lyrimate-cli scan --import-lyrics " ""
expect "lyrimate-cli tick 1 -" "--all"
expect "lyrimate-cli untick " ""
expect "lyrimate-cli remove -" ""
expect "lyrimate-cli export --" "--split-pages --clean-notes"
expect "lyrimate-cli export --clean-notes --" "--split-pages"
expect "lyrimate-cli page 3 --" "--split-pages"
expect "lyrimate-cli --data-dir beta lyrics " "show set import"
expect "lyrimate-cli lyrics --registered s" "show set"
expect "lyrimate-cli lyrics show 2 -" "--registered"
expect "lyrimate-cli lyrics show 2 --registered -" ""
expect "lyrimate-cli lyrics set 2 a" "afile alpha"
expect "lyrimate-cli lyrics set --registered 2 " "afile alpha beta"
expect "lyrimate-cli lyrics show 2 " ""

[ "$failures" -eq 0 ] && echo "all completions as expected"
exit $((failures > 0))
