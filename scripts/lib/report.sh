# Output helpers of the demo scripts (sourced): one line per phase, labelled
# results, indented file contents, and the build's progress.

# phase TITLE: the start of a phase.
phase() {
  printf '\n== %s\n' "$1"
}

# label NAME TEXT: one labelled result.
label() {
  printf '   %s: %s\n' "$1" "$2"
}

# note TEXT: a plain-words explanation under a result.
note() {
  printf '     (%s)\n' "$1"
}

# indent: standard input, indented under its label.
indent() {
  sed 's/^/     /'
}

# fail TEXT: says what went wrong and ends the script.
fail() {
  printf '   FAILED: %s\n' "$1" >&2
  exit 1
}

# show_build_progress: filters the output of scripts/build.sh (standard input)
# to its progress, one rewritten line on a terminal, every tenth step
# elsewhere; messages of the compiler and of ninja pass through as they are,
# the build folder's name that build.sh ends with does not.
show_build_progress() {
  local line step total last=-1 tty=0
  [ -t 1 ] && tty=1
  while IFS= read -r line; do
    if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
      step=${BASH_REMATCH[1]} total=${BASH_REMATCH[2]}
      [ "$step" -gt 0 ] || continue
      if [ "$tty" -eq 1 ]; then
        printf '\r   built %d of %d steps' "$step" "$total"
      elif [ $((step * 10 / total)) -ne "$last" ] || [ "$step" -eq "$total" ]; then
        last=$((step * 10 / total))
        printf '   built %d of %d steps\n' "$step" "$total"
      fi
    elif [ "$line" = "ninja: no work to do." ]; then
      printf '   already built\n'
    elif [ -n "$line" ] && ! [[ $line =~ ^build(-asan|-tsan)?$ ]]; then
      [ "$tty" -eq 1 ] && printf '\n'
      printf '%s\n' "$line"
    fi
  done
  if [ "$tty" -eq 1 ] && [ -n "${step:-}" ]; then printf '\n'; fi
}
