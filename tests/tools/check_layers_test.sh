#!/usr/bin/env bash
# The floor check on small trees: a tree that keeps its floors passes, and
# each wrong include or link, put into a copy of it, is rejected by name.
# check_layers_test.sh SCRIPT
set -uo pipefail

script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A tree with every allowed use: includes and links down the floors, a system
# header, a library that is not ours, engine modules using engine/state, a
# program linking over several lines, and a comment naming a higher library.
base=$work/base
mkdir -p "$base"/{platform,runtime/files,engine/state,engine/tables,tools/arc,frontend}
printf '#include <vector>\n#include "platform/host.h"\n' >"$base/platform/host.cpp"
printf 'vrn_library(vrn_platform)\n' >"$base/platform/CMakeLists.txt"
printf '#include "platform/host.h"\n#include "runtime/files/files.h"\n' >"$base/runtime/files/files.cpp"
printf '# not vrn_engine_state: the runtime reports through a hook\nvrn_library(vrn_runtime_files DEPS vrn_platform Threads::Threads)\n' \
  >"$base/runtime/files/CMakeLists.txt"
printf '#include "runtime/files/files.h"\n' >"$base/engine/state/state.cpp"
printf 'vrn_library(vrn_engine_state DEPS vrn_runtime_files vrn_platform)\n' >"$base/engine/state/CMakeLists.txt"
printf '#include "engine/state/state.h"\n' >"$base/engine/tables/tables.cpp"
printf 'vrn_library(vrn_engine_tables DEPS vrn_engine_state)\n' >"$base/engine/tables/CMakeLists.txt"
printf 'add_subdirectory(state)\nadd_library(vrn_engine INTERFACE)\ntarget_link_libraries(vrn_engine INTERFACE vrn_engine_state\n  vrn_engine_tables)\n' \
  >"$base/engine/CMakeLists.txt"
printf '#include "engine/tables/tables.h"\n' >"$base/tools/arc/arc.cpp"
printf 'add_library(vrn_arc STATIC arc.cpp)\ntarget_link_libraries(vrn_arc PUBLIC\n  vrn_engine\n  vrn_runtime_files)\nvrn_tool(arc SOURCES main.cpp DEPS vrn_arc)\n' \
  >"$base/tools/arc/CMakeLists.txt"
printf '#include "tools/arc/arc.h"\n' >"$base/frontend/main.cpp"

# check NAME EXPECTED-STATUS [EXPECTED-LINE...]: runs the check on the tree
# $work/NAME and compares the status and the reported lines.
check() {
  local name=$1 status=$2
  shift 2
  local out rc
  out=$("$script" "$work/$name" 2>&1)
  rc=$?
  if [ "$rc" -ne "$status" ]; then
    echo "FAIL $name: status $rc, expected $status"
    echo "$out" | sed 's/^/  /'
    failures=$((failures + 1))
    return
  fi
  for line in "$@"; do
    if ! grep -qxF -- "$line" <<<"$out"; then
      echo "FAIL $name: missing line: $line"
      echo "$out" | sed 's/^/  /'
      failures=$((failures + 1))
    fi
  done
  # Nothing but the named uses is reported.
  local reported
  reported=$(grep -c ': .* \(includes\|links\) ' <<<"$out")
  if [ "$reported" -ne $# ]; then
    echo "FAIL $name: $reported uses reported, expected $#"
    echo "$out" | sed 's/^/  /'
    failures=$((failures + 1))
  fi
}

# variant NAME: a fresh copy of the base tree to spoil.
variant() {
  cp -r "$base" "$work/$1"
  echo "$work/$1"
}

check base 0

t=$(variant platform_up)
printf '#include "runtime/files/files.h"\n' >>"$t/platform/host.cpp"
check platform_up 1 \
  "check_layers: platform/host.cpp includes runtime/files/files.h: platform/ may use only platform/"

t=$(variant runtime_up)
printf '  #  include "engine/state/state.h"  // for the reports\n' >>"$t/runtime/files/files.cpp"
printf 'vrn_library(vrn_runtime_more DEPS vrn_runtime_files\n  vrn_engine_state)\n' >>"$t/runtime/files/CMakeLists.txt"
check runtime_up 1 \
  "check_layers: runtime/files/files.cpp includes engine/state/state.h: runtime/ may use only runtime/ and platform/" \
  "check_layers: runtime/files/CMakeLists.txt links vrn_engine_state (engine/state): runtime/ may use only runtime/ and platform/"

t=$(variant state_sideways)
printf '#include "engine/tables/tables.h"\n' >"$t/engine/state/startup.cpp"
printf 'vrn_library(vrn_engine_state DEPS vrn_runtime_files vrn_engine)\n' >"$t/engine/state/CMakeLists.txt"
check state_sideways 1 \
  "check_layers: engine/state/startup.cpp includes engine/tables/tables.h: engine/state may use no other engine module" \
  "check_layers: engine/state/CMakeLists.txt links vrn_engine (engine): engine/state may use no other engine module"

t=$(variant engine_up)
printf '#include "tools/arc/arc.h"\n#include "frontend/main.h"\n' >>"$t/engine/tables/tables.cpp"
printf 'target_link_libraries(vrn_engine_tables PRIVATE vrn_arc)\n' >>"$t/engine/tables/CMakeLists.txt"
check engine_up 1 \
  "check_layers: engine/tables/tables.cpp includes tools/arc/arc.h: engine/ may use only engine/, runtime/ and platform/" \
  "check_layers: engine/tables/tables.cpp includes frontend/main.h: engine/ may use only engine/, runtime/ and platform/" \
  "check_layers: engine/tables/CMakeLists.txt links vrn_arc (tools/arc): engine/ may use only engine/, runtime/ and platform/"

t=$(variant program_on_tests)
printf '#include "tests/support/test_support.h"\n' >>"$t/frontend/main.cpp"
check program_on_tests 1 \
  "check_layers: frontend/main.cpp includes tests/support/test_support.h: the programs may not use tests/, fuzz/, bench/ or media/"

if [ "$failures" -ne 0 ]; then
  echo "$failures checks failed"
  exit 1
fi
echo "every tree judged as expected"
