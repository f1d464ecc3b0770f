#!/usr/bin/env bash
# Fails when a tracked C++, CUDA or OpenCL file of the tree at SOURCE_DIR does
# not match its .clang-format. The tree is formatted with clang-format 14
# (Debian 12's, which ./build.sh installs); other versions lay out some code
# differently, so they are refused rather than trusted.
#
#   tests/format/check-format.sh SOURCE_DIR
set -euo pipefail

cd "$1"
tool=""
for candidate in clang-format-14 clang-format; do
  if command -v "$candidate" >/dev/null 2>&1; then
    tool=$candidate
    break
  fi
done
if [ -z "$tool" ]; then
  echo "check-format: clang-format not found (./build.sh installs Debian's clang-format)" >&2
  exit 1
fi
version=$("$tool" --version)
case "$version" in
*" version 14."*) ;;
*)
  echo "check-format: $tool is '$version'; the tree is formatted with clang-format 14" >&2
  exit 1
  ;;
esac
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "check-format: $1 is not a git checkout: the files to check are the tracked ones" >&2
  exit 1
fi

# Tracked files that are still there (a deletion not yet committed is no file).
files=()
while IFS= read -r -d '' file; do
  if [ -f "$file" ]; then
    files+=("$file")
  fi
done < <(git ls-files -z -- '*.cpp' '*.h' '*.cu' '*.cl')
if ((${#files[@]})); then
  "$tool" --dry-run -Werror "${files[@]}"
fi
echo "check-format: every tracked C++, CUDA and OpenCL file matches .clang-format"
