#!/usr/bin/env bash
# The archive tool's speed and memory, side by side with gzip, lz4 and tar
# on the same data, in one run, for each set of the corpus:
#   - vrnarc t throughput against gzip -dc (of gzip -6) and lz4 -dc
#   - vrnarc x of many files against tar -xf of an uncompressed tar
#   - vrnarc c -1 speed against gzip -6; -9 size against -1, -9 speed
#   - peak resident memory of vrnarc x and t on the set's archive, and on
#     one 256 MiB member
#   - vinstall -b of a medium built from the set against tar -xf of the
#     same files as an uncompressed tar
#   - tag substitution of one 100 MiB CR LF text file with markers every
#     few lines: throughput and peak resident memory
# and ends with one table of every measure, its figure for each set, its
# goal, and whether the goal is met.
#
# The corpus is built the same way on every run: a text set from
# /usr/include and a binary set from /usr/bin, regular files in byte order
# of their paths up to a size limit, leaving out names that differ from an
# earlier one only in case (the installation's file system ignores case).
# Given a directory, the corpus is that directory's files instead (the same
# choice, with no size limit), as one set.
#
# usage: bench/run_bench.sh BUILD_DIR [CORPUS_DIR]
set -euo pipefail

build=$(cd "${1:?usage: bench/run_bench.sh BUILD_DIR [CORPUS_DIR]}" && pwd)
corpus=""
if [[ -n ${2:-} ]]; then
  corpus=$(cd "$2" && pwd) || { echo "run_bench: $2 is not a directory" >&2; exit 1; }
fi
vrnarc=$build/tools/vrnarc/vrnarc
[[ -x $vrnarc ]] || { echo "run_bench: $vrnarc not built" >&2; exit 1; }
for tool in gzip lz4 tar /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "run_bench: $tool is needed" >&2; exit 1; }
done
export VRN_DRIVES=   # the default drive map: C: is the host's root
export LC_ALL=C

work=$(mktemp -d "${TMPDIR:-/tmp}/vrn-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

set_limit=$((40 * 1024 * 1024))
big_size=$((256 * 1024 * 1024))
runs=3

# pick SOURCE LIMIT DEST: copies the chosen files of SOURCE into DEST.
pick() {
  (cd "$1" && find . -type f -readable -printf '%P\t%s\n' | sort) |
    awk -F'\t' -v limit="$2" '
      {
        n = split($1, part, "/"); prefix = ""; clash = 0
        for (i = 1; i <= n; i++) {
          prefix = (i == 1) ? part[1] : prefix "/" part[i]
          key = tolower(prefix)
          if ((key in seen) && seen[key] != prefix) { clash = 1; break }
        }
        if (clash || total + $2 > limit) next
        prefix = ""
        for (i = 1; i <= n; i++) { prefix = (i == 1) ? part[1] : prefix "/" part[i]; seen[tolower(prefix)] = prefix }
        total += $2; print $1
      }' >"$3.list"
  mkdir -p "$3"
  (cd "$1" && tar -cf - --no-recursion -T "$work/$3.list") | tar -xf - -C "$3"
}

now() { date +%s%N; }
seconds() { awk -v n="$1" 'BEGIN { printf "%.3f", n / 1e9 }'; }
# best CMD...: the shortest of $runs runs, in nanoseconds.
best() {
  local b="" t0 t1
  for ((r = 0; r < runs; r++)); do
    t0=$(now); "$@" >/dev/null; t1=$(now)
    if [[ -z $b || $((t1 - t0)) -lt $b ]]; then b=$((t1 - t0)); fi
  done
  echo "$b"
}
# best_pair "CMD A" "CMD B": the two timed in turn, $runs times each, so that
# neither always follows the other's writes, each after the file system has
# written out what came before; prints "bestA bestB".
best_pair() {
  local a="" b="" t0 t1
  for ((r = 0; r < runs; r++)); do
    sync; t0=$(now); eval "$1" >/dev/null; t1=$(now)
    if [[ -z $a || $((t1 - t0)) -lt $a ]]; then a=$((t1 - t0)); fi
    sync; t0=$(now); eval "$2" >/dev/null; t1=$(now)
    if [[ -z $b || $((t1 - t0)) -lt $b ]]; then b=$((t1 - t0)); fi
  done
  echo "$a $b"
}
# Extraction into a new directory each time, on the same file system.
extract_vrnarc() { "$vrnarc" x "$1" "$(mktemp -d "$work/x.XXXXXX")"; }
extract_tar() { tar -xf "$1" -C "$(mktemp -d "$work/x.XXXXXX")"; }
bytes_of() { du -sb --apparent-size "$1" | cut -f1; }
mbps() { awk -v b="$1" -v n="$2" 'BEGIN { printf "%.0f", b / (n / 1e9) / 1e6 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# cpu CMD...: the processor time (user + system) of one run, in seconds.
cpu() { /usr/bin/time -f '%U %S' -o cpu.txt "$@" >/dev/null; awk '{ printf "%.3f", $1 + $2 }' cpu.txt; }
verdict() { awk -v v="$1" -v goal="$2" -v dir="$3" 'BEGIN { ok = dir == "min" ? v >= goal : v <= goal; print ok ? "met" : "NOT MET" }'; }

# The table at the end: one row per measure, its figure for each set, its
# goal and whether every figure meets it.
rows=()
# row MEASURE UNIT GOAL_TEXT GOAL DIRECTION FIGURE...: one figure per set
# ("-" for a set the measure does not apply to); GOAL "-" for a figure
# shown with no goal.
row() {
  local measure=$1 unit=$2 goal_text=$3 goal=$4 direction=$5 line ok=met f
  shift 5
  line=$(printf '%-30s' "$measure")
  for f in "$@"; do
    if [[ $f == - ]]; then
      line+=$(printf ' %12s' -)
      continue
    fi
    line+=$(printf ' %12s' "$f $unit")
    if [[ $goal != - && $(verdict "$f" "$goal" "$direction") != met ]]; then ok="NOT MET"; fi
  done
  [[ $goal == - ]] && ok=-
  rows+=("$line$(printf '   %-18s %s' "$goal_text" "$ok")")
}

echo "Building the corpus..."
if [[ -n $corpus ]]; then
  sets=(corpus)
  pick "$corpus" $((1 << 62)) corpus
else
  sets=(text binary)
  pick /usr/include "$set_limit" text
  pick /usr/bin "$set_limit" binary
fi
: >big
for set in "${sets[@]}"; do
  tar -cf "$set.tar" -C "$set" .
  gzip -6 -c "$set.tar" >"$set.tar.gz"
  lz4 -q -1 -f "$set.tar" "$set.tar.lz4"
  printf '  %s set: %d files, %d bytes\n' "$set" "$(wc -l <"$set.list")" "$(bytes_of "$set")"
done
[[ $(stat -c %s "${sets[0]}.tar") -gt 0 ]] || { echo "run_bench: the corpus holds no files" >&2; exit 1; }
while [[ $(stat -c %s big) -lt $big_size ]]; do for set in "${sets[@]}"; do cat "$set.tar" >>big; done; done
truncate -s "$big_size" big
mkdir bigdir && mv big bigdir/member.bin
echo

# Per set, the figures of the table, by name.
declare -A fig
for set in "${sets[@]}"; do
  set_bytes=$(bytes_of "$set"); tar_bytes=$(stat -c %s "$set.tar")
  echo "Compression of the $set set (best of $runs):"
  c1=$(best "$vrnarc" c "$set.1.vrn" -1 "$set")
  c9=$(best "$vrnarc" c "$set.9.vrn" -9 "$set")
  g6=$(best sh -c "gzip -6 -c $set.tar >$set.tar.gz")
  s1=$(stat -c %s "$set.1.vrn"); s9=$(stat -c %s "$set.9.vrn"); sg=$(stat -c %s "$set.tar.gz")
  printf '  %-22s %8s s %8s MB/s %12d bytes\n' "vrnarc c -1" "$(seconds "$c1")" "$(mbps "$set_bytes" "$c1")" "$s1"
  printf '  %-22s %8s s %8s MB/s %12d bytes\n' "vrnarc c -9" "$(seconds "$c9")" "$(mbps "$set_bytes" "$c9")" "$s9"
  printf '  %-22s %8s s %8s MB/s %12d bytes\n' "gzip -6 (tar)" "$(seconds "$g6")" "$(mbps "$tar_bytes" "$g6")" "$sg"
  fig[c1_gzip,$set]=$(ratio "$g6" "$c1")
  fig[size9,$set]=$(awk -v a="$s9" -v b="$s1" 'BEGIN { printf "%.1f", 100 * a / b }')
  fig[speed9,$set]=$(mbps "$set_bytes" "$c9")
  echo

  echo "Testing / decompressing the $set set (best of $runs):"
  t1=$(best "$vrnarc" t "$set.1.vrn")
  t9=$(best "$vrnarc" t "$set.9.vrn")
  tg=$(best sh -c "gzip -dc $set.tar.gz >/dev/null")
  tl=$(best sh -c "lz4 -dc $set.tar.lz4 >/dev/null")
  m1=$(mbps "$set_bytes" "$t1"); m9=$(mbps "$set_bytes" "$t9")
  mg=$(mbps "$tar_bytes" "$tg"); ml=$(mbps "$tar_bytes" "$tl")
  printf '  %-22s %8s s %8s MB/s\n' "vrnarc t (-1 archive)" "$(seconds "$t1")" "$m1"
  printf '  %-22s %8s s %8s MB/s\n' "vrnarc t (-9 archive)" "$(seconds "$t9")" "$m9"
  printf '  %-22s %8s s %8s MB/s\n' "gzip -dc" "$(seconds "$tg")" "$mg"
  printf '  %-22s %8s s %8s MB/s\n' "lz4 -dc" "$(seconds "$tl")" "$ml"
  fig[t_gzip,$set]=$(ratio "$m1" "$mg")
  fig[t_lz4,$set]=$(ratio "$m1" "$ml")
  echo

  echo "Extraction of the $set set (fresh directories, best of 5, taken in turn):"
  read -r xv xt < <(runs=5 best_pair "extract_vrnarc $set.1.vrn" "extract_tar $set.tar")
  printf '  %-22s %8s s\n' "vrnarc x" "$(seconds "$xv")"
  printf '  %-22s %8s s\n' "tar -xf" "$(seconds "$xt")"
  # Processor time (user + system) of one more run each, which the state of
  # the file system's write-back does not blur.
  cv=$(cpu "$vrnarc" x "$set.1.vrn" "$(mktemp -d "$work/x.XXXXXX")")
  ct=$(cpu tar -xf "$set.tar" -C "$(mktemp -d "$work/x.XXXXXX")")
  printf '  %-22s %8s s processor time\n' "vrnarc x" "$cv" "tar -xf" "$ct"
  fig[x_tar,$set]=$(ratio "$xv" "$xt")
  fig[x_tar_cpu,$set]=$(ratio "$cv" "$ct")
  /usr/bin/time -f %M -o rss.x "$vrnarc" x "$set.1.vrn" "$(mktemp -d "$work/x.XXXXXX")" >/dev/null
  /usr/bin/time -f %M -o rss.t "$vrnarc" t "$set.1.vrn" >/dev/null
  rx=$(cat rss.x); rt=$(cat rss.t)
  printf '  %-22s %8d KiB peak resident\n' "vrnarc x" "$rx" "vrnarc t" "$rt"
  fig[rss,$set]=$((rx > rt ? rx : rt))
  rm -rf x.*
  echo
done

echo "One 256 MiB member:"
t0=$(now); "$vrnarc" c big.vrn -1 bigdir >/dev/null; cb=$(($(now) - t0))
printf '  %-22s %8s s  %d bytes\n' "vrnarc c -1" "$(seconds "$cb")" "$(stat -c %s big.vrn)"
/usr/bin/time -f %M -o rss.x "$vrnarc" x big.vrn bigout >/dev/null
cmp -s bigdir/member.bin bigout/member.bin || { echo "run_bench: the 256 MiB member did not extract intact" >&2; exit 1; }
/usr/bin/time -f %M -o rss.t "$vrnarc" t big.vrn >/dev/null
rx=$(cat rss.x); rt=$(cat rss.t)
printf '  %-22s %8d KiB peak resident\n' "vrnarc x" "$rx" "vrnarc t" "$rt"
big_rss=$((rx > rt ? rx : rt))
rm -rf bigout
echo

tailor=$build/bench/bench_tailor
if [[ -x $tailor ]]; then
  echo "Tailoring one 100 MiB text file (best of $runs, each on a fresh copy):"
  "$tailor" make tailor.src 100
  tbest=""
  for ((r = 0; r < runs; r++)); do
    cp tailor.src tailor.txt && sync
    line=$("$tailor" run "$work/tailor.txt")
    mb=$(awk '{ print $(NF - 1) }' <<<"$line")
    printf '  %s\n' "$line"
    if [[ -z $tbest || $mb -gt $tbest ]]; then tbest=$mb; fi
  done
  cp tailor.src tailor.txt && sync
  /usr/bin/time -f %M -o rss.tailor "$tailor" run "$work/tailor.txt" >/dev/null
  rtl=$(cat rss.tailor)
  printf '  %-22s %8d KiB peak resident\n' "bench_tailor run" "$rtl"
  rm -f tailor.src tailor.txt
  echo
fi

vinstall=$build/frontend/vinstall
vrnmedia=$build/tools/vrnmedia/vrnmedia
if [[ -x $vinstall && -x $vrnmedia ]]; then
  mkdir -p drive/temp
  printf 'drive C: %s/drive\ncwd C:\\\n' "$work" >drives
  # The installer's temporary directory is the drive's; set in the shell, so
  # that the timed command starts one program, as tar's does.
  unset TMP TEMP
  install_vinstall() { # medium
    local dest
    dest=$(mktemp -u "$work/drive/i.XXXXXX"); dest=${dest##*/}
    printf '[Install]\nDestination=C:\\%s\n[Product 100]\n' "$dest" >drive/install.ini
    TMPDIR="$work/drive/temp" "$vinstall" --drives "$work/drives" --medium "$1" -q '-bC:\install.ini'
  }
  for set in "${sets[@]}"; do
    echo "Installing a medium of the $set set (fresh destinations, best of 5, taken in turn):"
    # A CD-ROM medium of one product whose one component's one subcomponent
    # carries the whole set, its first text file tailored: tailoring takes a
    # file as lines of text, and a file holding NUL bytes would be cut short.
    src=medium-src-$set
    mkdir -p "$src/loose"
    for f in install.exe install.hlp vrnupdt.bat README.VRN; do echo "$f of the bench medium" >"$src/loose/$f"; done
    printf '[Installed Products]\nProductCount=0\n' >"$src/loose/installd.ini"
    first=""
    while IFS= read -r f; do
      if [[ $(tr -d '\000' <"$set/$f" | wc -c) -eq $(stat -c %s "$set/$f") ]]; then first=$f; break; fi
    done <"$set.list"
    [[ -n $first ]] || first=$(head -n 1 "$set.list")
    first=$(tr / '\\' <<<"$first")
    cat >"$src/medium.ini" <<DESC
[Medium]
Products = 100
Components = 1
Loose Directory = loose
Loose Files = install.exe, install.hlp, installd.ini, vrnupdt.bat, README.VRN
[Device]
Type = cd
[Product 100]
Name = Bench Product
SKUs = Bench SKU
Mandatory = 1
[SKU Bench SKU]
Components = 1
[Component 1]
Name = Bench Set
Subcomponents = 1
[Subcomponent 1.1]
Name = Bench Files
Archive = $set.arc
Mandatory = yes
Tailor = $first
[Archive $set.arc]
Source = $work/$set
[Bit Table]
Row = ROW | 1 | 2 | 3 | 4 | 5 | A | B
DESC
    "$vrnmedia" build "$src/medium.ini" "medium-$set" >/dev/null
    read -r iv it < <(runs=5 best_pair "install_vinstall $work/medium-$set" "extract_tar $set.tar")
    printf '  %-22s %8s s\n' "vinstall -b" "$(seconds "$iv")"
    printf '  %-22s %8s s\n' "tar -xf" "$(seconds "$it")"
    fig[install_tar,$set]=$(ratio "$iv" "$it")
    rm -rf drive/i.* x.* "medium-$set"
    echo
  done
fi

if [[ -x $build/bench/bench_archive ]]; then
  echo "Micro benchmarks:"
  "$build/bench/bench_archive" --benchmark_min_time=0.05 2>/dev/null | sed 's/^/  /'
  echo
fi

# per MEASURE: the figure of MEASURE for each set.
per() { local set; for set in "${sets[@]}"; do echo "${fig[$1,$set]:--}"; done; }
# once FIGURE: a figure of the whole corpus, under the first set.
once() { echo "$1"; for ((i = 1; i < ${#sets[@]}; i++)); do echo -; done; }
mapfile -t f < <(per t_gzip);      row "vrnarc t vs gzip -dc" x ">= 2.0 x faster" 2.0 min "${f[@]}"
mapfile -t f < <(per t_lz4);       row "vrnarc t vs lz4 -dc" x ">= 1.0 x faster" 1.0 min "${f[@]}"
mapfile -t f < <(per x_tar);       row "vrnarc x vs tar -xf" x "<= 1.1 x time" 1.1 max "${f[@]}"
mapfile -t f < <(per x_tar_cpu);   row "  processor time" x "-" - max "${f[@]}"
mapfile -t f < <(per c1_gzip);     row "vrnarc c -1 vs gzip -6" x ">= 1.0 x faster" 1.0 min "${f[@]}"
mapfile -t f < <(per size9);       row "-9 size vs -1" % "<= 95 %" 95 max "${f[@]}"
mapfile -t f < <(per speed9);      row "-9 speed" MB/s ">= 40 MB/s" 40 min "${f[@]}"
if [[ -x $vinstall && -x $vrnmedia ]]; then
  mapfile -t f < <(per install_tar); row "vinstall -b vs tar -xf" x "<= 1.25 x time" 1.25 max "${f[@]}"
fi
mapfile -t f < <(per rss);         row "vrnarc x/t peak memory" KiB "<= 8192 KiB" 8192 max "${f[@]}"
mapfile -t f < <(once "$big_rss"); row "  of one 256 MiB member" KiB "<= 8192 KiB" 8192 max "${f[@]}"
if [[ -x $tailor ]]; then
  mapfile -t f < <(once "$tbest"); row "tailoring, 100 MiB file" MB/s ">= 200 MB/s" 200 min "${f[@]}"
  mapfile -t f < <(once "$rtl");   row "  its peak memory" KiB "<= 8192 KiB" 8192 max "${f[@]}"
fi

header=$(printf '%-30s' "Measure")
for set in "${sets[@]}"; do header+=$(printf ' %12s' "$set"); done
echo "Goals (machine: $(nproc) processors, load average $(cut -d ' ' -f 1-3 /proc/loadavg)):"
echo "$header   $(printf '%-18s %s' Goal Verdict)"
for line in "${rows[@]}"; do echo "$line"; done
