# bash completion for vornel-scan: its options, the values of --format,
# --color and --line-ends, folders for --tables, files for the options that
# take one, rule names and table codes for --explain, and for --select,
# --extend-select and --ignore with the tables' prefixes, and .csm scripts and
# folders as paths. Plain bash, so that it works with or without the
# bash-completion package, which is what loads it from where the package
# installs it.

# Adds to COMPREPLY the paths that compgen's $1 (-d folders, -f files and
# folders) finds for the word $2, scripts and folders only when $3 is set.
# Hidden ones come only when the word asks for them, as vornel-scan passes
# over hidden folders too.
_vornel_scan_paths() {
  local path
  compopt -o filenames 2>/dev/null
  while IFS= read -r path; do
    [[ ${path##*/} == .* && ${2##*/} != .* ]] && continue
    # The extension in any case, as vornel-scan takes it.
    [[ -n ${3:-} && ! -d $path && $path != *.[cC][sS][mM] ]] && continue
    COMPREPLY+=("$path")
  done < <(compgen "$1" -- "$2")
}

# Adds to COMPREPLY what --explain takes that starts with $1: the names of
# vornel-scan's own rules, and the codes of the tables this command line
# would read, as the program itself lists them (--list-codes, with the
# line's --tables, --config or --no-config, else the project file's tables
# or the installed ones). The classic format is asked for by name, which
# a project file's format does not override.
_vornel_scan_explainable() {
  local program=${COMP_WORDS[0]/#\~/$HOME} word i line code
  local -a settings=()
  local -A offered=()
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      --tables | --config)
        # bash splits --tables=dir at the =, which then stands as a word of its own.
        [[ ${COMP_WORDS[i + 1]} == = ]] && ((i++))
        ((i + 1 < COMP_CWORD)) && settings+=("$word" "${COMP_WORDS[i + 1]/#\~/$HOME}")
        ;;
      --no-config) settings+=("$word") ;;
    esac
  done
  # Kept in step with the program's list of rules by test_bash_completion.
  for word in not-a-directive unused-disable unknown-code late-disable line-ends fault code-length \
    never-matches quote control-character listed-twice in-both-tables; do
    [[ $word == "$1"* ]] && COMPREPLY+=("$word")
  done
  # Each line is the code, two spaces, the table's name padded to six, two
  # spaces and the message. A code is compared as text, never expanded.
  while IFS= read -r line; do
    code=${line%%  tags    *}
    [[ $code == "$line" ]] && code=${line%%  params  *}
    # A code in both tables is offered once.
    [[ $code != "$line" && -n $code && $code == "$1"* && -z ${offered[$code]-} ]] || continue
    offered[$code]=1
    COMPREPLY+=("$code")
  done < <("$program" --list-codes --format classic "${settings[@]}" 2>/dev/null)
}

_vornel_scan() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  # bash splits --format=gcc at the =, which then stands as a word of its own.
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
    prev=${COMP_WORDS[COMP_CWORD - 2]}
  fi

  COMPREPLY=()
  case $prev in
    --format)
      mapfile -t COMPREPLY < <(compgen -W 'classic gcc json sarif github gitlab' -- "$cur")
      return
      ;;
    --color)
      mapfile -t COMPREPLY < <(compgen -W 'auto always never' -- "$cur")
      return
      ;;
    --line-ends)
      mapfile -t COMPREPLY < <(compgen -W 'auto crlf any' -- "$cur")
      return
      ;;
    --tables)
      _vornel_scan_paths -d "$cur"
      return
      ;;
    -o | --output | --baseline | --write-baseline | --config)
      _vornel_scan_paths -f "$cur"
      return
      ;;
    --explain)
      _vornel_scan_explainable "$cur"
      return
      ;;
    --select | --extend-select | --ignore)
      # A list separated by commas: its last name is completed, tables too.
      local head= name
      [[ $cur == *,* ]] && head=${cur%,*},
      _vornel_scan_explainable "${cur##*,}"
      for name in tags/ params/; do
        [[ $name == "${cur##*,}"* ]] && COMPREPLY+=("$name")
      done
      COMPREPLY=("${COMPREPLY[@]/#/$head}")
      return
      ;;
    -j | --jobs | --exclude | --stdin-filename)
      return
      ;;
  esac

  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W '-h --help --help-all -v --version --tables
      --format -j --jobs --exclude --force-exclude --allow-empty --stdin-filename --exit-zero
      --color -q --quiet --verbose --statistics -o --output --no-inline-config --report-unused-disables
      --baseline --no-baseline --write-baseline --config --no-config --line-ends
      --select --extend-select --ignore --check-tables --list-codes --explain --lsp' -- "$cur")
    return
  fi
  _vornel_scan_paths -f "$cur" scripts
}
complete -F _vornel_scan vornel-scan
