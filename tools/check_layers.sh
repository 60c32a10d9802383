#!/usr/bin/env bash
# Checks that the code's floors are kept: every include and every library link
# points down, never up or sideways where that is not allowed.
#
#   platform/            the host; uses nothing of ours
#   runtime/             uses platform/
#   engine/              uses runtime/ and platform/; engine/state uses no
#                        other engine module
#   tools/, frontend/    the programs; use everything below them
#   tests/, fuzz/, bench/, media/ stand on top and are not checked
#
# check_layers.sh [ROOT]: checks the tree at ROOT (default: this repository).
# Each wrong include or link is named on its own line; the status is 1 when
# there is any, else 0.
set -euo pipefail

root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

checked=(platform runtime engine tools frontend)
present=()
for dir in "${checked[@]}"; do [ -d "$dir" ] && present+=("$dir"); done
if [ ${#present[@]} -eq 0 ]; then
  echo "check_layers: no platform/, runtime/, engine/, tools/ or frontend/ under $root" >&2
  exit 2
fi

# Both kinds of use become lines "user-file<TAB>used-folder<TAB>what", then
# one rule judges them all.
uses() {
  # Includes: "floor/..." names, taken from where the project root is the
  # include directory.
  find "${present[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z |
    xargs -0 -r awk '
      match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]+"/) {
        name = substr($0, RSTART, RLENGTH)
        sub(/^[^"]*"/, "", name); sub(/"$/, "", name)
        if (name ~ /\//) {
          folder = name; sub(/\/[^\/]*$/, "", folder)
          printf "%s\t%s\tincludes %s\n", FILENAME, folder, name
        }
      }'

  # Links: the libraries each build file defines (the folder they stand for)
  # and the libraries each of its commands links.
  find "${present[@]}" -type f -name CMakeLists.txt -print0 | sort -z |
    xargs -0 -r awk '
      # Whole files, comments dropped, commands cut at their closing ")".
      FNR == 1 { file[++files] = FILENAME }
      { sub(/#.*/, ""); text[FILENAME] = text[FILENAME] " " $0 }
      END {
        for (f = 1; f <= files; f++) {
          name = file[f]; dir = name; sub(/\/?CMakeLists\.txt$/, "", dir)
          count = split(text[name], commands, ")")
          for (c = 1; c <= count; c++) {
            command = commands[c]
            if (!match(command, /(vrn_library|add_library|vrn_tool|add_executable|target_link_libraries)[ \t]*\(/)) continue
            verb = substr(command, RSTART, RLENGTH); sub(/[ \t]*\($/, "", verb)
            n = split(substr(command, RSTART + RLENGTH), word, /[ \t]+/)
            first = 1; while (first <= n && word[first] == "") first++
            target = word[first]
            if (verb != "target_link_libraries") home[target] = dir
            deps = (verb == "target_link_libraries") ? 1 : 0
            for (w = first + 1; w <= n; w++) {
              if (word[w] == "DEPS") { deps = 1; continue }
              if (word[w] ~ /^(SOURCES|STATIC|INTERFACE|PUBLIC|PRIVATE)$/) { if (verb != "target_link_libraries") deps = 0; continue }
              if (deps && word[w] != "") link[++links] = name "\t" target "\t" word[w]
            }
          }
        }
        for (l = 1; l <= links; l++) {
          split(link[l], part, "\t")
          if (part[3] in home) printf "%s\t%s\tlinks %s (%s)\n", part[1], home[part[3]], part[3], home[part[3]]
        }
      }'
}

# The judge. The floor of a folder: 0 platform, 1 runtime, 2 engine, 3 the
# programs, 4 what stands on top; a name outside them (a system header, a
# folder of the same program) is no use of another floor.
uses | awk -F '\t' '
  function floor_of(dir) {
    if (dir ~ /^platform(\/|$)/) return 0
    if (dir ~ /^runtime(\/|$)/) return 1
    if (dir ~ /^engine(\/|$)/) return 2
    if (dir ~ /^(tools|frontend)(\/|$)/) return 3
    if (dir ~ /^(tests|fuzz|bench|media)(\/|$)/) return 4
    return -1
  }
  BEGIN {
    allowed[0] = "platform/ may use only platform/"
    allowed[1] = "runtime/ may use only runtime/ and platform/"
    allowed[2] = "engine/ may use only engine/, runtime/ and platform/"
    allowed[3] = "the programs may not use tests/, fuzz/, bench/ or media/"
  }
  {
    user = $1; used = $2; what = $3
    dir = user; sub(/\/[^\/]*$/, "", dir)
    userFloor = floor_of(dir); usedFloor = floor_of(used)
    if (usedFloor < 0) next
    if (usedFloor > userFloor) {
      printf "check_layers: %s %s: %s\n", user, what, allowed[userFloor] > "/dev/stderr"; wrong = 1
    } else if (dir ~ /^engine\/state(\/|$)/ && used ~ /^engine(\/|$)/ && used !~ /^engine\/state(\/|$)/) {
      printf "check_layers: %s %s: engine/state may use no other engine module\n", user, what > "/dev/stderr"; wrong = 1
    }
  }
  END {
    if (wrong) { print "check_layers: the floors are not kept (see above)" > "/dev/stderr"; exit 1 }
    print "check_layers: every include and link keeps to its floor"
  }'
