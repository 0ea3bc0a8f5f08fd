#!/usr/bin/env bash
# Sources a bash completion file in a bash without the bash-completion
# package, and checks what the compspec it registers for PROGRAM completes,
# in a folder of known files.
#
#   completion_test.sh FILE PROGRAM
set -uo pipefail
file=$1
program=$2

# shellcheck source=/dev/null
source "$file"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch 'a b.txt' north.anf south.anf ./-dash.anf
mkdir dir

registered=$(complete -p "$program") || {
  echo "$file registers no completion for $program"
  exit 1
}
[[ $registered =~ -F\ ([^ ]+) ]] || {
  echo "the completion of $program calls no function: $registered"
  exit 1
}
complete_function=${BASH_REMATCH[1]}

failures=0
# expect WANT WORD...: completing the last WORD of the command line WORD...
# gives WANT, the sorted matches joined by ", ". The words are those bash
# hands over, which splits "--output=FILE" at the "=".
expect() {
  local want=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  "$complete_function" "$program" "${COMP_WORDS[COMP_CWORD]}" \
    "${COMP_WORDS[COMP_CWORD - 1]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd '|' |
    sed 's/|/, /g')
  if [[ $got != "$want" ]]; then
    echo "completing \"$*\": got \"$got\", want \"$want\""
    failures=$((failures + 1))
  fi
}

all='-dash.anf, a b.txt, dir, north.anf, south.anf'
long='--check, --diagnostics, --help, --output, --strict, --version'

# Options, when the word begins with "-".
expect '--output' "$program" --o
expect "$long" "$program" --
expect "$long, -h, -o" "$program" -
expect '--check' "$program" north.anf --ch
expect "$long, -h, -o" "$program" -o -- -  # "--" is -o's file here
# Files and folders for any other word: all of them, whatever their name.
expect "$all" "$program" ''
expect 'south.anf' "$program" --check north.anf s
expect 'a b.txt' "$program" a
expect '' "$program" nothing-like-this
# The output file, in each way it may be written.
expect "$all" "$program" -o ''
expect 'north.anf' "$program" --output n
expect "$all" "$program" --output =
expect 'dir' "$program" --output = d
expect '--output=dir' "$program" --output=d  # "=" taken out of COMP_WORDBREAKS
expect '-osouth.anf' "$program" -os
# The forms of the diagnostics.
expect 'json, text' "$program" --diagnostics ''
expect 'json' "$program" --diagnostics = j
expect '--diagnostics=text' "$program" --diagnostics=t
expect "$all" "$program" --diagnostics json ''
# After "--", only files, even those whose name begins with "-".
expect '-dash.anf' "$program" -- -
expect "$all" "$program" --check -- north.anf ''

if ((failures)); then
  exit 1
fi
echo "$program: every completion as expected"
