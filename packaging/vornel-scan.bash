# bash completion for vornel-scan: its options, the values of --format,
# --color and --line-ends, folders for --tables, files for the options that take one, and
# .csm scripts and folders as paths. Plain bash, so that it works with or
# without the bash-completion package.

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
      mapfile -t COMPREPLY < <(compgen -W 'crlf any' -- "$cur")
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
    -j | --jobs | --exclude | --stdin-filename | --explain)
      return
      ;;
  esac

  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W '-h --help --help-all -v --version --tables
      --format -j --jobs --exclude --stdin-filename --exit-zero --color -q --quiet
      --verbose --statistics -o --output --no-inline-config --report-unused-disables
      --baseline --write-baseline --config --no-config --line-ends --check-tables
      --list-codes --explain --lsp' -- "$cur")
    return
  fi
  _vornel_scan_paths -f "$cur" scripts
}
complete -F _vornel_scan vornel-scan
