# Bash completion for converter and trevik, installed once under each name:
# options when the word begins with "-", otherwise names of files and folders,
# all of them (inputs have any name); only file names after -o/--output and
# after "--"; the forms after --diagnostics. Uses bash's builtins alone, so it needs no bash-completion
# package.

# Sets COMPREPLY to the names of files and folders that begin with $2, each
# behind $1, the option it is written together with (-oFILE, --output=FILE).
_airport_converters_files() {
  mapfile -t COMPREPLY < <(compgen -f -P "$1" -- "$2")
}

_airport_converters() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]} i
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      -o | --output | --diagnostics) ((i++)) ;;  # its value, even "--"
      --) _airport_converters_files "" "$cur"; return ;;
    esac
  done
  # Bash splits "--output=FILE" into "--output", "=" and FILE, as "=" is one
  # of its COMP_WORDBREAKS by default.
  if [[ $prev == --diagnostics ]] ||
    [[ $prev == = && ${COMP_WORDS[COMP_CWORD - 2]} == --diagnostics ]]; then
    mapfile -t COMPREPLY < <(compgen -W 'text json' -- "${cur#=}")
  elif [[ $cur == = && $prev == --output ]]; then
    _airport_converters_files "" ""
  elif [[ $prev == = && ${COMP_WORDS[COMP_CWORD - 2]} == --output ]] ||
    [[ $prev == -o || $prev == --output ]]; then
    _airport_converters_files "" "$cur"
  else
    case $cur in
      --output=*) _airport_converters_files --output= "${cur#--output=}" ;;
      --diagnostics=*) mapfile -t COMPREPLY < <(compgen -P --diagnostics= \
        -W 'text json' -- "${cur#--diagnostics=}") ;;
      -o?*) _airport_converters_files -o "${cur#-o}" ;;
      -*) mapfile -t COMPREPLY < <(compgen -W \
        '-h -o --help --version --output --check --strict --diagnostics' -- "$cur") ;;
      *) _airport_converters_files "" "$cur" ;;
    esac
  fi
}

# filenames: folders get a "/" and names are quoted; default: what matches
# nothing here (a quoted name, a typo) gets readline's own file completion.
complete -o filenames -o default -F _airport_converters converter trevik
