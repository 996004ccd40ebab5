#!/usr/bin/env bash
# Checks the C++ sources; one check per call, each exits non-zero on a finding:
#   layers  includes run one way: app/ may use every layer; web/ uses ui/,
#           handoff/ and platform/; ui/ and handoff/ use platform/; platform/
#           uses nothing of the program's. The web engine's own headers
#           (web/webkit/) are for web/webkit/ alone: the rest of web/ reaches
#           the engine through web/'s headers. The ids the window templates
#           share with the code (res/) are for the windows: ui/, web/, app/.
#   toolkit GTK, GDK, X11, WebKit, JavaScriptCore, libsoup and SDL are
#           included only in platform/gtk/ and web/webkit/.
#   links   each library of CMakeLists.txt, linked whole into a program with
#           only the libraries it declares, leaves nothing undefined: what
#           it calls does not hang on the order a program lists libraries
#           in (the build's link-check target, tests/CMakeLists.txt).
#   format  every C and C++ file is as clang-format (.clang-format) leaves it.
#   tidy    clang-tidy (.clang-tidy) finds nothing in the program's own
#           sources, compiled as <build-dir>/compile_commands.json says.
# Usage: tools/lint.sh layers|toolkit|links|format|tidy [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."

check=${1:?usage: tools/lint.sh layers|toolkit|links|format|tidy [build-dir]}
build=${2:-build}
program_dirs=(app web ui handoff platform)

case $check in
layers)
  declare -A allowed=(
    [platform]="platform"
    [handoff]="handoff platform"
    [ui]="ui platform res"
    [web]="web ui handoff platform res"
    [web/webkit]="web ui handoff platform res"
  )
  # Folders inside a checked folder whose headers only they may include.
  declare -A private=(
    [web]="web/webkit"
  )
  found=0
  for dir in "${!allowed[@]}"; do
    pattern="^(${allowed[$dir]// /|})/"
    hidden=${private[$dir]:-}
    while IFS=: read -r file line text; do
      # A folder of its own is checked by its own rule.
      for sub in "${!allowed[@]}"; do
        if [[ $sub == "$dir"/* && $file == "$sub"/* ]]; then
          continue 2
        fi
      done
      target=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$text")
      if [[ $target == */* && (! $target =~ $pattern || (-n $hidden && $target == "$hidden"/*)) ]]; then
        echo "$file:$line: $dir/ may not include $target" >&2
        found=1
      fi
    done < <(grep -rnE '^#include "' "$dir" || true)
  done
  exit "$found"
  ;;
toolkit)
  # The toolkit's and the web engine's own folders.
  toolkit_dirs='^(platform/gtk|web/webkit)/'
  found=0
  while IFS=: read -r file line text; do
    [[ $file =~ $toolkit_dirs ]] && continue
    echo "$file:$line: includes a toolkit or web engine header: $text" >&2
    found=1
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<((gtk|gdk|X11|webkit2|jsc|libsoup|JavaScriptCore)/|SDL)' \
             "${program_dirs[@]}" || true)
  exit "$found"
  ;;
links)
  if [[ ! -f $build/CMakeCache.txt ]]; then
    echo "lint: no $build/CMakeCache.txt; configure the build first" >&2
    exit 1
  fi
  # Two jobs, as every build on this machine; the libraries are built
  # already, so this is their links alone, a few seconds.
  cmake --build "$build" --target link-check -j2
  ;;
format)
  mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
  clang-format --dry-run -Werror "${files[@]}"
  ;;
tidy)
  if [[ ! -f $build/compile_commands.json ]]; then
    echo "lint: no $build/compile_commands.json; configure the build first" >&2
    exit 1
  fi
  mapfile -t files < <(git ls-files "${program_dirs[@]/%//*.cpp}")
  log=$(mktemp)
  trap 'rm -f "$log"' EXIT
  # run-clang-tidy exits 0 on warnings; a finding is any diagnostic line.
  # It colours its findings whatever the output; the colours are taken out.
  run-clang-tidy -quiet -p "$build" -j"$(nproc)" "${files[@]/#/$PWD/}" 2>&1 |
    sed -E 's/\x1b\[[0-9;]*m//g' >"$log" || true
  if grep -E ': (warning|error): ' "$log" | sort -u | tee /dev/stderr | grep -q .; then
    exit 1
  fi
  # Nothing found must mean that every file was looked at: one command
  # line per file.
  looked_at=$(grep -c '^clang-tidy' "$log" || true)
  if ((looked_at != ${#files[@]})); then
    cat "$log" >&2
    exit 1
  fi
  ;;
*)
  echo "lint: unknown check $check" >&2
  exit 2
  ;;
esac
