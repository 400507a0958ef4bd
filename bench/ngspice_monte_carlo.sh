#!/bin/sh
# Monte Carlo of an order-8 Chebyshev LPF (1 kHz, E12/E24 parts, R 1 %, C 5 %
# uniform) in ngspice and in Kelvara, side by side, per trial.
#
# ngspice: the same circuit (four unity-gain Sallen-Key stages, each op-amp
# an ideal voltage follower), in one batch run: per trial an `alter` of all
# sixteen parts (uniform within the tolerance, ngspice's own sunif) and an AC
# analysis of 146 points from 1 kHz (47 per decade, the span and count of
# the chart's default sweep, 1 kHz to 1.2 MHz in 5 % steps); the plots of a
# trial are destroyed before the next, so that every trial costs the same.
# Kelvara: kelvara-bench's BM_MonteCarloOrder8 (10,000 trials, each with the
# 146-point sweep and a -3 dB search) on one and on two worker threads.
#
#   bench/ngspice_monte_carlo.sh [build-dir] [ngspice-trials]
set -eu
build=${1:-build}
trials=${2:-1000}
design="$build/tools/kelvara-design"
bench="$build/bench/kelvara-bench"
for exe in "$design" "$bench"; do
  [ -x "$exe" ] || { echo "missing $exe: build kelvara-design and kelvara-bench first" >&2; exit 2; }
done
command -v ngspice >/dev/null || { echo "ngspice not found (Debian package ngspice)" >&2; exit 2; }

dir=$(mktemp -d /tmp/kelvara-mc-XXXXXX)
trap 'rm -rf "$dir"' EXIT

# The part values of the design, as kelvara-design gives them.
json=$("$design" --cutoff 1k --order 8 --response chebyshev --values series --json)
r=$(printf '%s' "$json" | sed 's/.*"r":\[\([^]]*\)\].*/\1/' | tr ',' ' ')
c=$(printf '%s' "$json" | sed 's/.*"c":\[\([^]]*\)\].*/\1/' | tr ',' ' ')

{
  echo "* order-8 Chebyshev LPF, unity-gain Sallen-Key"
  echo "V1 in 0 dc 0 ac 1"
  prev=in
  k=0
  set -- $c
  for rv in $r; do
    eval "cv$k=\$1"
    shift
    eval "rv$k=$rv"
    k=$((k + 1))
  done
  for s in 0 1 2 3; do
    a=$((2 * s)); b=$((2 * s + 1))
    out=o$s; [ $s -eq 3 ] && out=out
    eval "echo R$((a + 1)) $prev a$s \$rv$a; echo R$((b + 1)) a$s b$s \$rv$b"
    eval "echo C$((a + 1)) a$s $out \$cv$a; echo C$((b + 1)) b$s 0 \$cv$b"
    echo "E$((s + 1)) $out 0 b$s 0 1"
    prev=$out
  done
  echo ".control"
  echo "define var(nom, tol) (nom * (1 + tol * sunif(0)))"
  echo "repeat $trials"
  for i in 0 1 2 3 4 5 6 7; do
    eval "echo alter R$((i + 1)) = var\(\$rv$i, 0.01\); echo alter C$((i + 1)) = var\(\$cv$i, 0.05\)"
  done
  echo "ac dec 47 1k 1.23meg"
  echo "destroy all"
  echo "end"
  echo "quit"
  echo ".endc"
  echo ".end"
} >"$dir/mc.cir"

# Wall and CPU seconds of ngspice (children's user + system time).
start=$(date +%s.%N)
ngspice -b "$dir/mc.cir" >"$dir/log.txt" 2>&1
end=$(date +%s.%N)
times >"$dir/times.txt"  # not in a subshell: that would have no children
ngCpu=$(tail -1 "$dir/times.txt" | awk '{ split($1, a, /[ms]/); split($2, b, /[ms]/); print a[1] * 60 + a[2] + b[1] * 60 + b[2] }')
ngWall=$(echo "$start $end" | awk '{ print $2 - $1 }')
rows=$(grep -c "No. of Data Rows : 146" "$dir/log.txt" || true)
[ "$rows" -eq "$trials" ] || { echo "ngspice ran $rows of $trials AC analyses of 146 points:" >&2; tail "$dir/log.txt" >&2; exit 1; }

# Kelvara: wall and process CPU milliseconds of 10,000 trials.
"$bench" --benchmark_filter='BM_MonteCarloOrder8/10000/[12]/0/' --benchmark_format=csv 2>/dev/null |
  grep '^"BM_MonteCarloOrder8' >"$dir/kelvara.csv"

echo "ngspice: $trials trials, wall $ngWall s, CPU $ngCpu s"
awk -v t="$trials" -v w="$ngWall" -v c="$ngCpu" 'BEGIN { FS = "," }
  { split($1, name, "/"); real = $3; cpu = $4; unit = $5; gsub(/"/, "", unit)
    scale = unit == "ms" ? 1e-3 : unit == "us" ? 1e-6 : unit == "ns" ? 1e-9 : 1
    kw = real * scale / 10000; kc = cpu * scale / 10000
    printf "Kelvara, %s thread(s): wall %.2f us/trial, CPU %.2f us/trial\n", name[3], kw * 1e6, kc * 1e6
    printf "  ngspice per trial: wall %.1f us, CPU %.1f us -> ratio wall %.0fx, CPU %.0fx\n",
      w / t * 1e6, c / t * 1e6, (w / t) / kw, (c / t) / kc }' "$dir/kelvara.csv"
