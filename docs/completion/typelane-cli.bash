# bash completion for typelane-cli: its commands, each command's options, and
# file names where a command takes a file.

_typelane_cli() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}

  local commands="send keys windows convert playback help"
  # The command is the first word after the program that is not an option.
  local command= i
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      -*) ;;
      *) command=${COMP_WORDS[i]}; break ;;
    esac
  done

  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "--help --version --quiet" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
    return 0
  fi

  local options=
  case $command in
    send)
      case $prev in
        --log) COMPREPLY=($(compgen -f -- "$cur")); return 0 ;;
        --window)
          # The titles a load can target, one a line.
          local IFS=$'\n'
          COMPREPLY=($(compgen -W "$(typelane-cli windows 2>/dev/null)" -- "$cur"))
          return 0 ;;
        --group | --rows | --cols | --from-cell) return 0 ;;
      esac
      options="--dry-run --readable --log --window --group --rows --cols --from-cell --verify --quiet --help"
      ;;
    keys) options="--dry-run --quiet --help" ;;
    windows) options="--help" ;;
    convert) options="--quiet --help" ;;
    playback)
      options="-o --quiet --help"
      ;;
    help)
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
      return 0
      ;;
    *) return 0 ;;
  esac

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options" -- "$cur"))
  elif [[ $command == keys || $command == windows ]]; then
    COMPREPLY=()
  else
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
  return 0
}

complete -o filenames -F _typelane_cli typelane-cli
