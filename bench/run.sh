#!/usr/bin/env bash
# Varnel benchmark runner. See bench/README.md.
#
#   bench/run.sh [--size default|small] [--tables N] [--columns N] [--views N]
#                [--procedures N] [--seed N] [--runs N] [--warmup N]
#                [--long S] [--limit S] [--mode both|embedded|tcp]
#                [--cache-dir DIR] [--build-dir DIR] [--window-tables N,M]
#
# Makes sure the catalogue database of the chosen size exists (built once,
# cached by its parameters), builds the benchmark programs, then times each
# figure as the median of --runs runs after --warmup runs, with the
# embedded engine on the cached file and with the local server on
# 127.0.0.1 on a copy of it that belongs to the firebird user. Prints one
# line per figure ("name: value unit") and then the ratios ("ratio NAME:
# VALUE" with the target beside it).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)

size=default
tables= columns= views= procedures=
seed=1
runs=5
warmup=1
long=300
limit=600
mode=both
cache_dir=${VARNEL_BENCH_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/varnel-bench}
build_dir=${VARNEL_BUILD_DIR:-$here/build}
window_tables=200,20000

usage() {
  sed -n '4,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || usage
  case "$1" in
    --size) size=$2 ;;
    --tables) tables=$2 ;;
    --columns) columns=$2 ;;
    --views) views=$2 ;;
    --procedures) procedures=$2 ;;
    --seed) seed=$2 ;;
    --runs) runs=$2 ;;
    --warmup) warmup=$2 ;;
    --long) long=$2 ;;
    --limit) limit=$2 ;;
    --mode) mode=$2 ;;
    --cache-dir) cache_dir=$2 ;;
    --build-dir) build_dir=$2 ;;
    --window-tables) window_tables=$2 ;;
    *) usage ;;
  esac
  shift 2
done

case "$size" in
  default) : "${tables:=5000}" "${columns:=20}" "${views:=1000}" "${procedures:=1000}" ;;
  small) : "${tables:=50}" "${columns:=20}" "${views:=10}" "${procedures:=10}" ;;
  *) usage ;;
esac
case "$mode" in both|embedded|tcp) ;; *) usage ;; esac
for n in "$tables" "$columns" "$views" "$procedures" "$seed" "$runs" "$warmup" "$long" "$limit"; do
  [[ "$n" =~ ^[0-9]+$ ]] || usage
done
[ "$runs" -ge 1 ] && [ "$columns" -ge 1 ] && [ "$limit" -ge 1 ] || usage
IFS=, read -r win_small win_large <<<"$window_tables"
[[ "$win_small" =~ ^[0-9]+$ ]] && [[ "${win_large:-}" =~ ^[0-9]+$ ]] || usage

fail() {
  echo "bench: $*" >&2
  exit 1
}

# Embedded runs take no password; server runs get SYSDBA's from the package.
# run_env prefixes every measured command (the same small cost for all).
embedded_env=(env -u ISC_USER -u ISC_PASSWORD)
run_env=("${embedded_env[@]}")

# --- The programs ---------------------------------------------------------
bench_build=$build_dir/bench
if [ ! -f "$bench_build/CMakeCache.txt" ]; then
  cmake -S "$here/bench" -B "$bench_build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$bench_build" -j "$(nproc 2>/dev/null || echo 2)" >"$bench_build/build.log" 2>&1 ||
  { cat "$bench_build/build.log" >&2; fail "building the benchmark programs failed"; }
gen=$bench_build/varnel-bench-gen
floor=$bench_build/varnel-bench-floor
bulk=$bench_build/varnel-bench-bulk
# varnel-export and the main-window driver come from the main build.
cmake --build "$build_dir" --target varnel-export varnel-bench-window -j "$(nproc 2>/dev/null || echo 2)" \
  >"$bench_build/build-main.log" 2>&1 ||
  { cat "$bench_build/build-main.log" >&2; fail "building varnel-export and varnel-bench-window failed"; }
export_prog=$build_dir/bin/varnel-export
window_prog=$build_dir/bin/varnel-bench-window
command -v isql-fb >/dev/null || fail "isql-fb is missing (scripts/install-deps.sh)"
[ -x /usr/bin/time ] || fail "/usr/bin/time is missing (scripts/install-deps.sh)"

work=$(mktemp -d "${TMPDIR:-/tmp}/varnel-bench.XXXXXX")
server_dir=
cleanup() {
  rm -rf "$work"
  if [ -n "$server_dir" ]; then rm -rf "$server_dir"; fi
}
trap cleanup EXIT

# --- The catalogue databases (cached) -------------------------------------
# The key holds every parameter and the generator's source, so a changed
# generator builds a new file.
gen_hash=$(sha256sum "$here/bench/gen.cpp" | cut -c1-12)
mkdir -p "$cache_dir"

# catalogue TABLES COLUMNS VIEWS PROCEDURES: makes sure the catalogue of
# these sizes exists; sets cat_db and cat_info, and cat_fresh when it was
# built now.
catalogue() {
  local key=t$1-c$2-v$3-p$4-s$seed-$gen_hash
  cat_db=$cache_dir/$key.fdb
  cat_info=$cache_dir/$key.info
  cat_fresh=
  rm -f "$work/generated"
  (
    # One builder at a time per catalogue; a second runner waits and reuses
    # it. (set -e does not hold in here: every step is checked.)
    flock 9 || exit 1
    if [ ! -f "$cat_db" ] || [ ! -f "$cat_info" ]; then
      rm -f "$cat_db" "$cat_info" "$cat_db.tmp"
      start=${EPOCHREALTIME/./}
      "$gen" --db "$cat_db.tmp" --create >"$work/create.sql" || exit 1
      "$gen" --db "$cat_db.tmp" --tables "$1" --columns "$2" --views "$3" \
        --procedures "$4" --seed "$seed" >"$work/fill.sql" || exit 1
      "${embedded_env[@]}" isql-fb -q -b -i "$work/create.sql" >"$work/gen.log" 2>&1 ||
        { cat "$work/gen.log" >&2; exit 1; }
      # Asynchronous writes while filling (several times faster), back to
      # the default forced writes afterwards.
      "${embedded_env[@]}" gfix -write async -user SYSDBA "$cat_db.tmp" >>"$work/gen.log" 2>&1 ||
        { cat "$work/gen.log" >&2; exit 1; }
      "${embedded_env[@]}" isql-fb -q -b -i "$work/fill.sql" >>"$work/gen.log" 2>&1 ||
        { tail -n 20 "$work/gen.log" >&2; exit 1; }
      "${embedded_env[@]}" gfix -write sync -user SYSDBA "$cat_db.tmp" >>"$work/gen.log" 2>&1 ||
        { cat "$work/gen.log" >&2; exit 1; }
      end=${EPOCHREALTIME/./}
      mv "$cat_db.tmp" "$cat_db" || exit 1
      echo "$(( (end - start) / 1000 ))" >"$cat_info" || exit 1
      echo fresh >"$work/generated"
    fi
  ) 9>"$cache_dir/$key.lock" || fail "generating the catalogue failed"
  if [ -f "$work/generated" ]; then cat_fresh=1; fi
}

catalogue "$tables" "$columns" "$views" "$procedures"
db=$cat_db
info=$cat_info
fresh=$cat_fresh
gen_ms=$(cat "$info")
db_mib=$(( $(stat -c %s "$db") / 1048576 ))

echo "machine: $(nproc) cores"
echo "catalogue: $tables tables of $columns columns, $views views, $procedures procedures, seed $seed ($db_mib MiB, $db)"
if [ -n "$fresh" ]; then
  printf 'generation: %d.%d s\n' $((gen_ms / 1000)) $(( (gen_ms % 1000) / 100 ))
else
  printf 'generation: %d.%d s (cached)\n' $((gen_ms / 1000)) $(( (gen_ms % 1000) / 100 ))
fi
echo "runs: median of $runs after $warmup warm-up; once when the warm-up takes over $long s; stopped after $limit s"

# --- Measuring --------------------------------------------------------------
declare -A figure peak bound

# measure NAME COMMAND...: warm-up runs, then RUNS timed runs; records the
# median wall time in ms and the largest peak resident memory in KiB.
# Every run is timed and wrapped in /usr/bin/time, warm-ups included: a
# figure whose warm-up takes longer than --long seconds is not run again
# (it is its one sample, "(1 run)"), and a run is stopped after --limit
# seconds (the figure is then a lower bound, "> N ms").
measure() {
  local name=$1
  shift
  local i t0 t1 us mem max=0 rc note= retried=0
  local -a samples=()
  for ((i = 0; i < warmup + runs; i++)); do
    t0=${EPOCHREALTIME/./}
    rc=0
    # timeout waits for the stopped program to be gone (an engine that is
    # still shutting down would keep the next run out of the file);
    # /usr/bin/time reports the largest of its descendants.
    /usr/bin/time -f %M -o "$work/mem" timeout -k 10 "$limit" "${run_env[@]}" "$@" \
      </dev/null >"$work/out" 2>"$work/err" || rc=$?
    t1=${EPOCHREALTIME/./}
    us=$((t1 - t0))
    if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
      samples=("$us")
      note=" (stopped after the limit of $limit s)"
      bound[$name]='>'
      break
    fi
    if [ "$rc" -ne 0 ]; then
      # The local server is shared: another program may have restarted it
      # under us. One failed run is repeated once; a second failure ends.
      cat "$work/err" >&2
      ((retried == 0)) || fail "$name failed"
      retried=1
      echo "bench: $name failed (status $rc); running it again" >&2
      [ -z "$server_dir" ] || "$here/scripts/fbserver.sh" start >/dev/null || true
      sleep 5
      ((i--)) || true
      continue
    fi
    mem=$(tail -n 1 "$work/mem")
    [ "$mem" -gt "$max" ] && max=$mem
    if ((i < warmup)); then
      if ((us > long * 1000000)); then
        samples=("$us")
        note=" (1 run)"
        break
      fi
      continue
    fi
    samples+=("$us")
  done
  local -a sorted
  mapfile -t sorted < <(printf '%s\n' "${samples[@]}" | sort -n)
  local n=${#sorted[@]}
  if ((n % 2)); then
    us=${sorted[n / 2]}
  else
    us=$(( (sorted[n / 2 - 1] + sorted[n / 2]) / 2 ))
  fi
  figure[$name]=$(( (us + 500) / 1000 ))
  peak[$name]=$max
  echo "$name: ${bound[$name]:+> }${figure[$name]} ms$note"
}

# print_peak NAME: the peak resident memory of a measured figure.
print_peak() {
  [ -z "${bound[$1]:-}" ] || return 0
  local kib=${peak[$1]}
  printf '%s peak memory: %d.%d MiB\n' "$1" $((kib / 1024)) $(( (kib % 1024) * 10 / 1024 ))
}

# ratio NAME A B TARGET: prints A / B with the target beside it; a figure
# stopped at the limit makes the ratio a bound ("< 0.05").
ratio() {
  local a=${figure[$2]:-} b=${figure[$3]:-} sign=
  if [ -z "$a" ] || [ -z "$b" ] || [ "$b" -eq 0 ]; then
    return 0
  fi
  if [ -n "${bound[$2]:-}" ] && [ -n "${bound[$3]:-}" ]; then
    return 0
  fi
  [ -z "${bound[$2]:-}" ] || sign='> '
  [ -z "${bound[$3]:-}" ] || sign='< '
  printf 'ratio %s: %s%s (target: %s)\n' "$1" "$sign" "$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", a / b }')" "$4"
}

# verify MODE DATABASE: one untimed run of each floor with checksums; the
# three must have read the same rows and bytes, and every object of the
# catalogue.
verify() {
  local m=$1 d=$2 a b c
  a=$("${run_env[@]}" "$floor" "$d" --verify) || fail "$m floor failed"
  b=$("${run_env[@]}" "$floor" "$d" --no-types-join --verify) || fail "$m floor (no types join) failed"
  c=$("${run_env[@]}" "$bulk" "$d" --verify) || fail "$m bulk floor failed"
  local want="tables=$tables fields=$((tables * columns)) views=$views viewfields=$((views * 10))"
  want+=" procedures=$procedures parameters=$((procedures * 8))"
  for line in "$a" "$b" "$c"; do
    [[ "$line" == *"$want "* ]] || fail "$m: unexpected tally: $line (expected $want)"
  done
  [ "${a#*: }" = "${b#*: }" ] && [ "${a#*: }" = "${c#*: }" ] ||
    fail "$m: the floors read different data:"$'\n'"$a"$'\n'"$b"$'\n'"$c"
  echo "$m verified: ${a#*: }"
}

# run_mode MODE DATABASE: every figure of one connection kind.
run_mode() {
  local m=$1 d=$2
  verify "$m" "$d"
  measure "$m floor" "$floor" "$d"
  print_peak "$m floor"
  measure "$m floor (no types join)" "$floor" "$d" --no-types-join
  measure "$m bulk floor" "$bulk" "$d"
  measure "$m isql -extract" isql-fb -x -ch ISO8859_1 -user SYSDBA "$d" -o "$work/extract.sql"
  print_peak "$m isql -extract"

  # Each document with the default settings (no -s: the TOC is on for
  # HTML); varnel-export takes the server's password from ISC_PASSWORD
  # like the floors.
  local doc
  for doc in html xml sql; do
    measure "$m export $doc" "$export_prog" -d "$d" --$doc "$work/out.$doc"
    print_peak "$m export $doc"
  done
}

if [ "$mode" != tcp ]; then
  run_env=("${embedded_env[@]}")
  run_mode embedded "$db"
fi

if [ "$mode" != embedded ]; then
  "$here/scripts/fbserver.sh" start >/dev/null || fail "the local Firebird server did not start"
  password=$(sh -c '. /etc/firebird/3.0/SYSDBA.password && printf %s "$ISC_PASSWORD"') ||
    fail "cannot read /etc/firebird/3.0/SYSDBA.password (run as root)"
  # The server runs as firebird: it gets its own copy, so the embedded
  # engine and the server never open the same file.
  server_dir=$(mktemp -d /var/tmp/varnel-bench-server.XXXXXX)
  cp "$db" "$server_dir/catalogue.fdb"
  chown -R firebird:firebird "$server_dir"
  chmod 0770 "$server_dir"
  # In the environment, not on a command line where ps would show it.
  export ISC_USER=SYSDBA ISC_PASSWORD=$password
  run_env=(env)
  run_mode tcp "127.0.0.1:$server_dir/catalogue.fdb"
fi

# --- Main window ------------------------------------------------------------
# Time from the confirmed login to the first drawn page of the table list,
# and the table rows fetched by then, on a small and a large catalogue
# (--window-tables; 5 columns, 10 views, 10 procedures each, embedded).
median() {
  printf '%s\n' "$@" | sort -g |
    awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m }'
}
window_figure() {
  local n=$1 i out ms rows attach
  catalogue "$n" 5 10 10
  local -a samples=() attaches=()
  for ((i = 0; i < warmup + runs; i++)); do
    out=$("${embedded_env[@]}" QT_QPA_PLATFORM=offscreen timeout -k 10 "$limit" "$window_prog" "$cat_db" 2>&1) ||
      { printf '%s\n' "$out" >&2; fail "the main-window driver failed on $n tables"; }
    ms=$(sed -n 's/^first page: \([0-9.]*\) ms$/\1/p' <<<"$out")
    rows=$(sed -n 's/^rows fetched: \([0-9]*\)$/\1/p' <<<"$out")
    [ -n "$ms" ] && [ -n "$rows" ] || fail "unexpected output of the main-window driver: $out"
    attach=$(sed -n 's/^attach: \([0-9.]*\) ms$/\1/p' <<<"$out")
    ((i < warmup)) || { samples+=("$ms"); attaches+=("$attach"); }
  done
  ms=$(median "${samples[@]}")
  attach=$(median "${attaches[@]}")
  figure["first page $n tables"]=$ms
  figure["first page $n tables after attach"]=$(awk -v a="$ms" -v b="$attach" 'BEGIN { printf "%.1f", a - b }')
  echo "first page $n tables: $ms ms"
  echo "first page $n tables rows fetched: $rows rows"
  echo "first page $n tables attach: $attach ms (the engine's attach, part of the first page)"
}
window_figure "$win_small"
window_figure "$win_large"

# Ratios. Figures of a mode that did not run are left out.
for m in embedded tcp; do
  [ -n "${figure[$m floor]:-}" ] || continue
  ratio "$m floor / bulk floor" "$m floor" "$m bulk floor" "none, informative"
  ratio "$m floor (no types join) / bulk floor" "$m floor (no types join)" "$m bulk floor" "none, informative"
  # The catalogue no longer joins RDB$TYPES: its floor is the one without.
  for doc in html xml sql; do
    ratio "$m export $doc / floor" "$m export $doc" "$m floor (no types join)" "<= 1.25"
    ratio "$m export $doc / bulk floor" "$m export $doc" "$m bulk floor" "<= 2"
  done
  ratio "$m export xml / isql -extract" "$m export xml" "$m isql -extract" "<= 0.5"
  for doc in html xml sql; do
    [ -n "${peak[$m export $doc]:-}" ] || continue
    printf 'ratio %s: %s (target: <= 1.00, 64 MiB on the default catalogue)\n' "$m export $doc peak memory / 64 MiB" \
      "$(awk -v k="${peak[$m export $doc]}" 'BEGIN { printf "%.2f", k / 65536 }')"
  done
done
printf 'ratio first page %s / %s tables: %s (target: about 1, each within 150 ms)\n' "$win_large" "$win_small" \
  "$(awk -v a="${figure[first page $win_large tables]}" -v b="${figure[first page $win_small tables]}" \
    'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }')"
printf 'ratio first page after attach %s / %s tables: %s (target: none, informative)\n' "$win_large" "$win_small" \
  "$(awk -v a="${figure[first page $win_large tables after attach]}" -v b="${figure[first page $win_small tables after attach]}" \
    'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }')"
