#!/usr/bin/env bash
# The reference figure for rebuilding a resource module: how long GNU msgmerge takes to
# bring a translated catalog of 20,000 entries up to date with its template, where a few
# hundred texts changed, were removed or were added (fuzzy matching off, as the rebuild
# only carries translations over by identifier).
#
#   bench/trx/msgmerge-bench.sh            (RUNS runs, default 9; ENTRIES, default 20000)
#   bench/trx/msgmerge-bench.sh catalogs DIR
#                                          only writes the two catalogs into DIR, for
#                                          merges timed beside other work
#
# Prints the median wall time in seconds, and the median processor time (user + system). The catalogs are generated with a fixed seed
# into a temporary folder, so every run and every machine merges the same texts.
set -euo pipefail
runs=${RUNS:-9}
entries=${ENTRIES:-20000}

command -v msgmerge >/dev/null || {
  echo "msgmerge is missing: run scripts/setup.sh (Debian package gettext)" >&2
  exit 1
}
if [[ "${1:-}" == catalogs ]]; then
  work=$2
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

python3 - "$work" "$entries" <<'PY'
import random, sys

folder, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(2000)
words = ("file folder disk setup server database install copy register component "
         "option value name path error warning please wait cannot open close cancel "
         "continue retry version window dialog button caption text list item user "
         "password login connection network service start stop remove update").split()

def sentence(low, high):
    text = " ".join(rng.choice(words) for _ in range(rng.randint(low, high)))
    text = text[0].upper() + text[1:]
    r = rng.random()
    if r < 0.15:
        text += " %s"
    elif r < 0.2:
        text += ":\n" + sentence(2, 8)
    return text + ("." if rng.random() < 0.5 else "")

def quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", '\\n"\n"') + '"'

def block(ident, original, translation):
    multi = "\n" in original
    lines = ["msgctxt " + quote(ident)]
    lines.append('msgid ""\n' + quote(original) if multi else "msgid " + quote(original))
    lines.append("msgstr " + quote(translation))
    return "\n".join(lines) + "\n"

header = ('msgid ""\nmsgstr ""\n"Project-Id-Version: Plinth2000 bench\\n"\n'
          '"MIME-Version: 1.0\\n"\n"Content-Type: text/plain; charset=UTF-8\\n"\n'
          '"Content-Transfer-Encoding: 8bit\\n"\n')

# Resource strings and the captions of 200 forms, like the rows of a translation table.
rows = []
forms = 200
for i in range(count):
    if i % 10 == 0:
        ident = "TForm%03d.Control%d.Caption" % (i // 10 % forms, i // (10 * forms))
    else:
        ident = "Unit%03d.SString%05d" % (i % 97, i)
    rows.append((ident, sentence(1, 14)))

def translated(text):
    return "Übersetzt: " + text[::-1] if text else ""

with open(folder + "/cat.po", "w", encoding="utf-8") as po:
    po.write(header)
    for ident, text in rows:
        po.write("\n" + block(ident, text, translated(text)))

# The template: 300 texts changed, 150 rows removed, 150 added.
changed = set(rng.sample(range(count), 300))
removed = set(rng.sample(sorted(set(range(count)) - changed), 150))
template = []
for i, (ident, text) in enumerate(rows):
    if i in removed:
        continue
    template.append((ident, sentence(1, 14) if i in changed else text))
for k in range(150):
    template.insert(rng.randrange(len(template)), ("Added.SNew%03d" % k, sentence(1, 14)))
with open(folder + "/tmpl.pot", "w", encoding="utf-8") as pot:
    pot.write(header)
    for ident, text in template:
        pot.write("\n" + block(ident, text, ""))
PY

[[ "${1:-}" == catalogs ]] && exit 0
# A failing merge must not pass for a fast one.
msgmerge --no-fuzzy-matching -q -o /dev/null "$work/cat.po" "$work/tmpl.pot"
# Bash's own timer: wall time, and the processor time of the merge itself, which says more
# than the wall time on a machine that other work keeps busy.
TIMEFORMAT='%R %U %S'
for ((i = 0; i < runs; i++)); do
  { time msgmerge --no-fuzzy-matching -q -o /dev/null "$work/cat.po" "$work/tmpl.pot"; } 2>>"$work/times"
done
median() { sort -n | awk '{a[NR] = $1} END {printf "%.3f", a[int((NR + 1) / 2)]}'; }
wall=$(awk '{print $1}' "$work/times" | median)
cpu=$(awk '{print $2 + $3}' "$work/times" | median)
echo "msgmerge --no-fuzzy-matching, $entries entries: median $wall s wall ($cpu s processor) of $runs runs"
