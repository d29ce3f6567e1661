#!/usr/bin/env bash
# tintshift's own cost per file: a batch over 300 small files with a converter that
# does nothing, against a plain shell loop that runs the same converter directly:
#   tintshift '*.bmp' -o new_ -P pal          (the stand-in lies beside a copy of tintshift)
#   for f in *.bmp; do hueswap "$f" -O "new_$f" -P pal; done
# The loop runs in /bin/sh (dash on Debian, the quicker shell to start programs) and
# in bash; the goal is checked against the quicker of the two.
# Goal (native build): tintshift / shell loop <= 1.0.
# Usage: bench/batch_vs_shell.sh   (RUNS=n runs per round, ROUNDS=n rounds; TINTSHIFT=path)
source "$(dirname "$0")/common.sh"
build_all
RUNS=${RUNS:-10}

# A folder of its own: a copy of tintshift with the do-nothing converter beside it
# as hueswap, and 300 small pictures (their content does not matter here).
HERE=$TOOLS/vs-shell
rm -rf "$HERE"; mkdir -p "$HERE/bin" "$HERE/files"
cp "$TINTSHIFT" "$HERE/bin/tintshift"
cp "$TOOLS/noop-static" "$HERE/bin/hueswap"
for i in $(seq -w 0 299); do cp "$DATA/batch/$i.bmp" "$HERE/files/$i.bmp"; done
cp "$DATA/pal16.pal" "$HERE/files/pal"
CSV=$HERE/times.csv
cd "$HERE/files"

# Both sides must really run the converter once per file.
count_runs() {  # COMMAND...: how many times it started the stand-in (strace counts)
  if command -v strace >/dev/null 2>&1; then
    strace -f -e trace=execve -o "$HERE/trace" "$@" >/dev/null 2>&1 || true
    grep -c "execve(\"[^\"]*bin/hueswap\"" "$HERE/trace" || true
  else
    echo "?"
  fi
}
LOOP='for f in *.bmp; do '"$HERE"'/bin/hueswap "$f" -O "new_$f" -P pal; done'
echo "== converter runs seen: tintshift $(count_runs "$HERE/bin/tintshift" '*.bmp' -o new_ -P pal)," \
     "sh loop $(count_runs /bin/sh -c "$LOOP"), bash loop $(count_runs /bin/bash -c "$LOOP") (300 expected)"

echo "== batch of 300 files, do-nothing converter ($ROUNDS rounds of $RUNS runs each; medians)"
time_rounds "$CSV" 2 "$RUNS" \
  -n tintshift "$HERE/bin/tintshift *.bmp -o new_ -P pal" \
  -n sh-loop "/bin/sh -c '$LOOP'" \
  -n bash-loop "/bin/bash -c '$LOOP'"

echo
echo "== ratios"
sh_ms=$(median_ms "$CSV" sh-loop)
bash_ms=$(median_ms "$CSV" bash-loop)
best=$(awk -v a="$sh_ms" -v b="$bash_ms" 'BEGIN { print (a < b) ? a : b }')
ratio_row "tintshift / quicker shell loop" "$(median_ms "$CSV" tintshift)" "$best" 1.0
ratio_row "tintshift / sh loop" "$(median_ms "$CSV" tintshift)" "$sh_ms" -
ratio_row "tintshift / bash loop" "$(median_ms "$CSV" tintshift)" "$bash_ms" -
