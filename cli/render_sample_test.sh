#!/usr/bin/env bash
# Renders every article of a dictionary with lexora-cli and checks that each
# page is complete, that a position past the end gives the error page with
# exit code 0, and that markup converts a known line.
# Usage: render_sample_test.sh LEXORA_CLI DICTIONARY
set -euo pipefail
cli=$1
dict=$2
count=$("$cli" info "$dict" | sed -n 's/.*"word_count":\([0-9]*\).*/\1/p')
[[ -n "$count" && "$count" -gt 0 ]] || { echo "no words in $dict"; exit 1; }
for ((i = 0; i < count; i++)); do
  page=$("$cli" render "$dict" "$i")
  [[ "$page" == "<html><head>"* && "$page" == *"</font></body></html>" ]] ||
    { echo "page $i is incomplete"; exit 1; }
  [[ "$page" != *"Ошибка, перевод не найден"* ]] || { echo "page $i has no article"; exit 1; }
done
page=$("$cli" render "$dict" "$count" --colours builtin)
[[ "$page" == *"<b>Ошибка, перевод не найден</b></font></font></body></html>" ]] ||
  { echo "missing article page wrong"; exit 1; }
[[ "$page" == *"BACKGROUND-COLOR : #000000; color : #c5ffbb"* ]] ||
  { echo "built-in colours missing"; exit 1; }
if "$cli" render "$dict.missing" 0 >/dev/null 2>&1; then
  echo "a missing dictionary rendered"; exit 1
fi
html=$(printf 'a 3> x _англ. y' | "$cli" markup)
[[ "$html" == 'a<br><font color="Green"><b>3)</b></font> x <a href="!@_англ.">англ.</a> y' ]] ||
  { echo "markup wrong: $html"; exit 1; }
html=$(printf 'a 3> x' | "$cli" markup --no-auto-format)
[[ "$html" == 'a 3> x' ]] || { echo "markup --no-auto-format wrong: $html"; exit 1; }
echo "rendered $count pages"
