#!/usr/bin/env bash
# Every picture, sound and document in the sample dictionary's pack is used
# by some article: the rendered pages name each entry (style.css is the
# page style, not a link).
# Usage: media_test.sh LEXORA_CLI DICTIONARY
set -euo pipefail
cli=$1
dict=$2
count=$("$cli" info "$dict" | sed -n 's/.*"word_count":\([0-9]*\).*/\1/p')
pages=$(for ((i = 0; i < count; i++)); do "$cli" render "$dict" "$i"; done)
used=0
while IFS=$'\t' read -r name _size _packed; do
  [[ "$name" == "style.css" ]] && continue
  if [[ "$pages" != *"$name"* ]]; then
    echo "no article uses $name"
    exit 1
  fi
  used=$((used + 1))
done < <("$cli" pack list "$dict")
for kind in '<img src="img\' 'href="!%snd\' 'href="img\' 'href="file://'; do
  [[ "$pages" == *"$kind"* ]] || { echo "no article has $kind"; exit 1; }
done
echo "the articles use all $used media entries"
