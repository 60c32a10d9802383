#!/usr/bin/env bash
# The archive tool's speed and memory, side by side with gzip, lz4 and tar
# on the same data, in one run:
#   - vrnarc t throughput against gzip -dc (of gzip -6) and lz4 -dc
#   - vrnarc x of many files against tar -xf of an uncompressed tar
#   - peak resident memory of vrnarc x on one 256 MiB member
#   - -9 size against -1 size on text, -1 speed against gzip -6
#   - tag substitution of one 100 MiB CR LF text file with markers every
#     few lines: throughput and peak resident memory
#   - vinstall -b of a medium built from the text set against tar -xf of
#     the same files as an uncompressed tar
# The corpus is built the same way on every run: a text set from
# /usr/include and a binary set from /usr/bin, regular files in byte order
# of their paths up to a size limit, leaving out names that differ from an
# earlier one only in case (the installation's file system ignores case).
#
# usage: bench/run_bench.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: bench/run_bench.sh BUILD_DIR}" && pwd)
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
verdict() { awk -v v="$1" -v goal="$2" -v dir="$3" 'BEGIN { ok = dir == "min" ? v >= goal : v <= goal; print ok ? "met" : "NOT MET" }'; }

echo "Building the corpus..."
pick /usr/include "$set_limit" text
pick /usr/bin "$set_limit" binary
for set in text binary; do
  tar -cf "$set.tar" -C "$set" .
  gzip -6 -c "$set.tar" >"$set.tar.gz"
  lz4 -q -1 -f "$set.tar" "$set.tar.lz4"
done
: >big
while [[ $(stat -c %s big) -lt $big_size ]]; do cat text.tar binary.tar >>big; done
truncate -s "$big_size" big
mkdir bigdir && mv big bigdir/member.bin

text_bytes=$(bytes_of text)
binary_bytes=$(bytes_of binary)
printf '  text set:   %d files, %d bytes\n' "$(wc -l <text.list)" "$text_bytes"
printf '  binary set: %d files, %d bytes\n' "$(wc -l <binary.list)" "$binary_bytes"
echo

echo "Compression (text set, best of $runs):"
c1=$(best "$vrnarc" c text.1.vrn -1 text)
c9=$(best "$vrnarc" c text.9.vrn -9 text)
g6=$(best sh -c 'gzip -6 -c text.tar >text.tar.gz')
s1=$(stat -c %s text.1.vrn); s9=$(stat -c %s text.9.vrn); sg=$(stat -c %s text.tar.gz)
printf '  %-22s %8s s %8s MB/s %12d bytes\n' "vrnarc c -1" "$(seconds "$c1")" "$(mbps "$text_bytes" "$c1")" "$s1"
printf '  %-22s %8s s %8s MB/s %12d bytes\n' "vrnarc c -9" "$(seconds "$c9")" "$(mbps "$text_bytes" "$c9")" "$s9"
printf '  %-22s %8s s %8s MB/s %12d bytes\n' "gzip -6 (tar)" "$(seconds "$g6")" "$(mbps "$text_bytes" "$g6")" "$sg"
"$vrnarc" c binary.1.vrn -1 binary >/dev/null
"$vrnarc" c binary.9.vrn -9 binary >/dev/null
echo

results=()
for set in text binary; do
  echo "Testing / decompressing the $set set (best of $runs):"
  set_bytes=$(bytes_of "$set"); tar_bytes=$(stat -c %s "$set.tar")
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
  r=$(ratio "$m1" "$mg"); results+=("vrnarc t / gzip -dc throughput, $set set: $r x (goal >= 2.0: $(verdict "$r" 2.0 min))")
  results+=("vrnarc t / lz4 -dc throughput, $set set: $(ratio "$m1" "$ml") x")
  echo
done

echo "Extraction of many files (text set, fresh directories, best of 5, taken in turn):"
read -r xv xt < <(runs=5 best_pair "extract_vrnarc text.1.vrn" "extract_tar text.tar")
printf '  %-22s %8s s\n' "vrnarc x" "$(seconds "$xv")"
printf '  %-22s %8s s\n' "tar -xf" "$(seconds "$xt")"
# Processor time (user + system) of one more run each, which the state of
# the file system's write-back does not blur.
cpu() { /usr/bin/time -f '%U %S' -o cpu.txt "$@" >/dev/null; awk '{ printf "%.3f", $1 + $2 }' cpu.txt; }
cv=$(cpu "$vrnarc" x text.1.vrn "$(mktemp -d "$work/x.XXXXXX")")
ct=$(cpu tar -xf text.tar -C "$(mktemp -d "$work/x.XXXXXX")")
printf '  %-22s %8s s processor time\n' "vrnarc x" "$cv" "tar -xf" "$ct"
xr=$(ratio "$xv" "$xt")
results+=("vrnarc x / tar -xf time, text set: $xr x (goal <= 1.5: $(verdict "$xr" 1.5 max))")
results+=("vrnarc x / tar -xf processor time, text set: $(ratio "$cv" "$ct") x")
read -r xvb xtb < <(best_pair "extract_vrnarc binary.1.vrn" "extract_tar binary.tar")
printf '  %-22s %8s s   (binary set)\n' "vrnarc x" "$(seconds "$xvb")"
printf '  %-22s %8s s   (binary set)\n' "tar -xf" "$(seconds "$xtb")"
results+=("vrnarc x / tar -xf time, binary set: $(ratio "$xvb" "$xtb") x")
rm -rf x.*
echo

echo "One 256 MiB member:"
t0=$(now); "$vrnarc" c big.vrn -1 bigdir >/dev/null; cb=$(($(now) - t0))
printf '  %-22s %8s s  %d bytes\n' "vrnarc c -1" "$(seconds "$cb")" "$(stat -c %s big.vrn)"
/usr/bin/time -f %M -o rss.x "$vrnarc" x big.vrn bigout >/dev/null
cmp -s bigdir/member.bin bigout/member.bin || { echo "run_bench: the 256 MiB member did not extract intact" >&2; exit 1; }
/usr/bin/time -f %M -o rss.t "$vrnarc" t big.vrn >/dev/null
rx=$(cat rss.x); rt=$(cat rss.t)
printf '  %-22s %8d KiB peak resident\n' "vrnarc x" "$rx" "vrnarc t" "$rt"
results+=("peak resident memory of vrnarc x, 256 MiB member: $rx KiB (goal <= 8192 KiB: $(verdict "$rx" 8192 max))")
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
  results+=("tailoring throughput, 100 MiB text file: $tbest MB/s (goal >= 200 MB/s: $(verdict "$tbest" 200 min))")
  results+=("peak resident memory of tailoring, 100 MiB text file: $rtl KiB (goal <= 8192 KiB: $(verdict "$rtl" 8192 max))")
  rm -f tailor.src tailor.txt
  echo
fi

vinstall=$build/frontend/vinstall
vrnmedia=$build/tools/vrnmedia/vrnmedia
if [[ -x $vinstall && -x $vrnmedia ]]; then
  echo "Installing a medium of the text set (fresh destinations, best of 5, taken in turn):"
  # A CD-ROM medium of one product whose one component's one subcomponent
  # carries the whole text set, its first file tailored.
  mkdir -p medium-src/loose
  for f in install.exe install.hlp vrnupdt.bat README.VRN; do echo "$f of the bench medium" >"medium-src/loose/$f"; done
  printf '[Installed Products]\nProductCount=0\n' >medium-src/loose/installd.ini
  first=$(head -n 1 text.list | tr / '\\')
  cat >medium-src/medium.ini <<DESC
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
Name = Text Set
Subcomponents = 1
[Subcomponent 1.1]
Name = Text Files
Archive = text.arc
Mandatory = yes
Tailor = $first
[Archive text.arc]
Source = $work/text
[Bit Table]
Row = ROW | 1 | 2 | 3 | 4 | 5 | A | B
DESC
  "$vrnmedia" build medium-src/medium.ini medium >/dev/null
  mkdir -p drive/temp
  printf 'drive C: %s/drive\ncwd C:\\\n' "$work" >drives
  install_vinstall() {
    local dest
    dest=$(mktemp -u "$work/drive/i.XXXXXX"); dest=${dest##*/}
    printf '[Install]\nDestination=C:\\%s\n[Product 100]\n' "$dest" >drive/install.ini
    env -u TMP -u TEMP TMPDIR="$work/drive/temp" "$vinstall" --drives "$work/drives" --medium "$work/medium" -q \
      '-bC:\install.ini'
  }
  read -r iv it < <(runs=5 best_pair "install_vinstall" "extract_tar text.tar")
  printf '  %-22s %8s s\n' "vinstall -b" "$(seconds "$iv")"
  printf '  %-22s %8s s\n' "tar -xf" "$(seconds "$it")"
  ir=$(ratio "$iv" "$it")
  results+=("vinstall -b / tar -xf time, text set: $ir x (goal <= 1.5: $(verdict "$ir" 1.5 max))")
  rm -rf drive/i.* x.*
  echo
fi

pct=$(awk -v a="$s9" -v b="$s1" 'BEGIN { printf "%.1f", 100 * a / b }')
results+=("-9 size / -1 size, text set: $pct % (goal <= 97 %: $(verdict "$pct" 97 max))")
sp=$(ratio "$g6" "$c1")
results+=("-1 compression speed / gzip -6, text set: $sp x (goal >= 1.0: $(verdict "$sp" 1.0 min))")

if [[ -x $build/bench/bench_archive ]]; then
  echo "Micro benchmarks:"
  "$build/bench/bench_archive" --benchmark_min_time=0.05 2>/dev/null | sed 's/^/  /'
  echo
fi

echo "Goals:"
for line in "${results[@]}"; do echo "  $line"; done
