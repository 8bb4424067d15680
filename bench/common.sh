# Helpers shared by the benchmark scripts; sourced, not run. `bench_name`
# names the script in its messages.

die() {
  echo "$bench_name: $*" >&2
  exit 2
}

# 2000000 -> 2,000,000
group() { sed -E ':a; s/([0-9])([0-9]{3})($|[^0-9])/\1,\2\3/; ta' <<<"$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
secs() { awk -v s="$1" 'BEGIN { printf "%.3f s", s }'; }
mib() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

# The CPU time (user + system) used so far, in microseconds, from what the
# `times` builtin wrote to the file $1: line 1 is the shell, line 2 its children.
used_cpu() {  # file line...
  awk -v lines="${*:2}" 'BEGIN { split(lines, want); for (i in want) keep[want[i]] = 1 }
    NR in keep {
      for (i = 1; i <= 2; ++i) { split($i, p, "m"); sub("s", "", p[2]); t += p[1] * 60 + p[2] }
    }
    END { printf "%.0f", t * 1e6 }' "$1"
}
# Busy time of all CPUs in clock ticks (user, nice, system, irq, softirq and
# steal: time the hypervisor gave to others counts as busy too).
machine_busy() { awk '$1 == "cpu" { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat 2>/dev/null; }
# Median, minimum and maximum in seconds of a list of microseconds.
stats() {
  tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '
    { t[NR] = $1 }
    END {
      m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
      printf "%.6f %.6f %.6f\n", m / 1e6, t[1] / 1e6, t[NR] / 1e6
    }'
}
# PASS when ratio <= limit, else FAIL; "wrong" (if set) turns a PASS into FAIL.
verdict() {  # ratio limit wrong
  if [ -n "$3" ]; then
    echo "FAIL ($1 x, but the results are wrong, see below)"
  elif awk -v r="$1" -v l="$2" 'BEGIN { exit !(r <= l) }'; then
    echo "PASS ($1 x)"
  else
    echo "FAIL ($1 x)"
  fi
}

# Paired timing: runs the commands named $2 (the reference) and $3 back to
# back, $4 times, through the function named $1, the order swapped every
# other time, so that a machine busy with other work slows both sides of a
# pair alike. Prints the median of the pairs' ratios ($3's wall-clock time
# over $2's), the lowest and the highest, then the median times of $2 and
# $3 in seconds.
paired() {  # runner reference command reps
  local k t0 t1 t2 ratios="" refs="" cmds="" ref_us cmd_us
  for ((k = 0; k < $4; ++k)); do
    if ((k % 2 == 0)); then
      t0=$EPOCHREALTIME
      "$1" "$2" || true
      t1=$EPOCHREALTIME
      "$1" "$3" || true
      t2=$EPOCHREALTIME
      ref_us=$((${t1/./} - ${t0/./})) cmd_us=$((${t2/./} - ${t1/./}))
    else
      t0=$EPOCHREALTIME
      "$1" "$3" || true
      t1=$EPOCHREALTIME
      "$1" "$2" || true
      t2=$EPOCHREALTIME
      cmd_us=$((${t1/./} - ${t0/./})) ref_us=$((${t2/./} - ${t1/./}))
    fi
    refs+="$ref_us " cmds+="$cmd_us "
    # stats() reads microseconds; a ratio is kept in millionths.
    ratios+="$((cmd_us * 1000000 / (ref_us > 0 ? ref_us : 1))) "
  done
  local r_med r_lo r_hi ref_med cmd_med
  read -r r_med r_lo r_hi < <(stats "$ratios")
  read -r ref_med _ _ < <(stats "$refs")
  read -r cmd_med _ _ < <(stats "$cmds")
  printf '%.2f %.2f %.2f %s %s\n' "$r_med" "$r_lo" "$r_hi" "$ref_med" "$cmd_med"
}
