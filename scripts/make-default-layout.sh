#!/usr/bin/env bash
# Writes the factory page layout bundled with the program,
# data/default_page_layout.pstf, with the program's own layout writer:
# a map page with its buttons, a page of GPS values, a go-to page, a race
# start page and an instruments page, for a
# laptop screen and for an 800 x 480 screen (MakeDefaultLayout).
# Run it after changing those pages, then rebuild; the tests check that the
# bundled file is what the writer makes.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake --build "$build_dir" --target ovtool
"$build_dir/bin/ovtool" pages default -o data/default_page_layout.pstf
"$build_dir/bin/ovtool" pages dump data/default_page_layout.pstf >/dev/null
echo "wrote data/default_page_layout.pstf"
