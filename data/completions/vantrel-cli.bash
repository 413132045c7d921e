# bash completion for vantrel-cli: verbs, each verb's options and their words, and database
# files (.mdb, .accdb) where a file is expected.
_vantrel_cli() {
  local cur prev verb i
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  local verbs="info rows analyze table ole query relation repair help"
  verb=
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      -*) ;;
      *) verb=${COMP_WORDS[i]}; break ;;
    esac
  done
  case $prev in
    --format) COMPREPLY=($(compgen -W "tsv csv json" -- "$cur")); return ;;
    --binary) COMPREPLY=($(compgen -W "hex base64 raw" -- "$cur")); return ;;
    --overwrite) COMPREPLY=($(compgen -W "ask yes no" -- "$cur")); return ;;
    --progress) COMPREPLY=($(compgen -W "line json" -- "$cur")); return ;;
    --shard) COMPREPLY=($(compgen -W "auto" -- "$cur")); return ;;
    --files-from|--manifest|--resume|--password-file) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --out) COMPREPLY=($(compgen -d -- "$cur")); return ;;
    --to) COMPREPLY=($(compgen -W "postgresql://" -- "$cur")); compopt -o nospace; return ;;
    --tdef|--limit|--jobs|--table|--date-format) return ;;
  esac
  local options
  case $verb in
    "") COMPREPLY=($(compgen -W "$verbs -h --help --help-all -V --version" -- "$cur")); return ;;
    help) COMPREPLY=($(compgen -W "$verbs" -- "$cur")); return ;;
    info) options="--tdef --password-file" ;;
    rows) options="--table --tdef --format --date-format --binary --limit --password-file" ;;
    analyze) options="--json --show-password --password-file" ;;
    table) options="--format --date-format --binary --limit --password-file" ;;
    ole) options="--out --password-file" ;;
    query) options="--sql --sqlite --postgresql --password-file" ;;
    relation) options="--password-file" ;;
    repair) options="--out --to --one-schema --schema-per-file --connect-timeout --overwrite --json --jobs --files-from -0 --null --shard --manifest --resume --progress --password-file" ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options -q --quiet -v --verbose -h --help" -- "$cur"))
    return
  fi
  local IFS=$'\n'
  COMPREPLY=($(compgen -d -- "$cur") $(compgen -f -X '!*.@(mdb|MDB|accdb|ACCDB)' -- "$cur"))
  compopt -o filenames
}
complete -F _vantrel_cli vantrel-cli
