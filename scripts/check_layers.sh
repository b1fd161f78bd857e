#!/usr/bin/env bash
# Checks which folder may include which (the rules are in README.md, Layout).
# Prints every forbidden include as FILE:LINE: rule, and exits 1 if there is
# one. Usage: bash scripts/check_layers.sh [SOURCE_ROOT]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# The Qt Widgets headers, from the installed Qt when it can be found (a
# header list of our own would fall behind), else the common ones.
widgets_dir=""
for dir in /usr/include/x86_64-linux-gnu/qt6/QtWidgets /usr/include/qt6/QtWidgets \
           "$(qtpaths6 --query QT_INSTALL_HEADERS 2>/dev/null)/QtWidgets"; do
  if [ -d "$dir" ]; then widgets_dir=$dir; break; fi
done
if [ -n "$widgets_dir" ]; then
  widget_names=$(find "$widgets_dir" -maxdepth 1 -name 'Q*' ! -name '*.h' -printf '%f\n' | paste -sd'|')
else
  widget_names='QApplication|QWidget|QDialog|QMainWindow|QLabel|QPushButton|QMenu|QMenuBar|QLineEdit|QListWidget|QMessageBox|QScrollBar|QLayout|QVBoxLayout|QHBoxLayout|QStyle|QTextBrowser|QShortcut'
fi
widgets_re="^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"](QtWidgets(/[A-Za-z_.]*)?|(QtWidgets/)?(${widget_names}))[>\"]"
qt_re='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Qt[A-Za-z]*/)?Q[A-Za-z_]*(\.h)?[>"]'

failed=0
# check RULE REGEX FILES...: reports each line of FILES matching REGEX.
check() {
  local rule=$1 regex=$2
  shift 2
  [ "$#" -gt 0 ] || return 0
  local hits
  hits=$(grep -nHE "$regex" "$@" || true)
  if [ -n "$hits" ]; then
    failed=1
    while IFS= read -r hit; do
      printf '%s: %s\n' "$(cut -d: -f1,2 <<<"$hit")" "$rule"
    done <<<"$hits"
  fi
}

# sources FOLDER...: the C++ files under the folders that exist.
sources() {
  local folders=()
  for folder in "$@"; do [ -d "$folder" ] && folders+=("$folder"); done
  [ "${#folders[@]}" -gt 0 ] || return 0
  find "${folders[@]}" -type f \( -name '*.h' -o -name '*.cc' -o -name '*.cpp' \) | sort
}

mapfile -t tools < <(sources cli dictd)
check "cli/ and dictd/ never include gui/ or app/" '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(gui|app)/' "${tools[@]}"

# Widgets only in gui/ and app/. The test main of the widget tests and the
# main and article windows' benchmarks drive widgets and are allowed them.
mapfile -t below_gui < <(find . -path ./build\* -prune -o -path ./.git -prune -o \
  -path ./gui -prune -o -path ./app -prune -o \
  -type f \( -name '*.h' -o -name '*.cc' -o -name '*.cpp' \) -print | sed 's|^\./||' |
  grep -vxE 'testing/qt_gui_test_main\.cc|bench/(main|article)_window_bench\.cc' | sort)
check "Qt Widgets only in gui/ and app/" "$widgets_re" "${below_gui[@]}"

mapfile -t model < <(sources model)
check "model/ never includes engine/" '^[[:space:]]*#[[:space:]]*include[[:space:]]*"engine/' "${model[@]}"

mapfile -t no_qt < <(sources platform engine render sound flashcards images compiler import cardbank dictd |
  grep -v '^platform/qt/')
check "no Qt headers in platform/ (but platform/qt/), engine/, render/, sound/, flashcards/, images/, compiler/, import/, cardbank/, dictd/" "$qt_re" "${no_qt[@]}"

if [ "$failed" -ne 0 ]; then
  echo "check_layers: forbidden includes found" >&2
  exit 1
fi
echo "check_layers: include rules hold"
