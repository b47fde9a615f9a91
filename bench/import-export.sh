#!/usr/bin/env bash
# Times, as whole processes, the import of ROWS payees into an empty working store beside a
# bare prepared insert of the same rows, and their export; each the median of RUNS runs on
# a fresh copy of the empty store.
#
#   bench/import-export.sh [ROWS ...]          (default 100000)
#   RUNS=7 bench/import-export.sh 10000 100000
#
# The empty store is made by talvek-store with its index of the payee codes, as the program
# keeps it. BIN names another folder with talvek-store. Build first:
#   cmake --build build --target talvek-store talvek-bare-insert
set -euo pipefail

[ $# -gt 0 ] || set -- 100000
runs=${RUNS:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${BIN:-$here/build/bin}
bare=${BARE:-$here/build/bin/talvek-bare-insert}
[ -x "$bin/talvek-store" ] || { echo "missing $bin/talvek-store: build it first" >&2; exit 2; }
[ -x "$bare" ] || { echo "missing $bare: build it first" >&2; exit 2; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/empty"
"$bin/talvek-store" init "$scratch/empty" VXBANK.mdb BRANCH.mdb >/dev/null
"$bin/talvek-store" export institutions "$scratch/empty/BRANCH.mdb" "$scratch/institutions.csv" >/dev/null

# ROWS payees: codes P000001 on, the sample institutions in turn; an account at a Korvana
# branch (952) has twelve digits and its check digit, the others 12 to 14 digits.
payees() {
  awk -F, -v rows="$1" '
    BEGIN { sn = split("王 李 張 劉 陳 楊 黃 趙 吳 周 徐 孫 馬 朱 胡 郭 何 高 林 羅", surname, " ")
            gn = split("明 華 志 偉 淑 芬 美 玲 建 國 家 豪 雅 婷 俊 傑 怡 君 宗 翰", given, " ")
            split("6 5 4 3 2 7 6 5 4 3 2", weight, " ")
            n = 0 }
    NR > 1 { sub(/\r$/, ""); codes[n++] = $1 }
    END {
      print "收款人代碼,收款人帳號,解款行代號,收款人姓名"
      for (i = 1; i <= rows; i++) {
        bank = codes[(i * 7) % n]
        if (substr(bank, 1, 3) == "952") {
          body = sprintf("%d%010.0f", 1 + i % 9, (i * 7919) % 10000000000)
          s = 0
          for (k = 1; k <= 11; k++) s += weight[k] * substr(body, k, 1)
          account = body (9 - s % 9)
        } else {
          account = sprintf("%d%0" (11 + i % 3) ".0f", 1 + i % 9, (i * 104729) % 10 ^ (11 + i % 3))
        }
        name = surname[1 + i % sn] given[1 + int(i / sn) % gn] given[1 + int(i / 400) % gn]
        printf "P%06d,%s,%s,%s\r\n", i, account, bank, name
      }
    }' "$scratch/institutions.csv"
}

# Median wall seconds of RUNS runs of a command; `fresh` before each gives it its store.
median() {
  local fresh=$1 times=() start end
  shift
  for ((r = 0; r < runs; r++)); do
    $fresh
    start=$(date +%s%N)
    "$@" >/dev/null 2>"$scratch/stderr" || { cat "$scratch/stderr" >&2; return 1; }
    end=$(date +%s%N)
    times+=($((end - start)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v k=$((runs / 2 + 1)) 'NR == k { printf "%.3f", $1 / 1e9 }'
}
empty_store() { rm -rf "$scratch/run"; cp -r "$scratch/empty" "$scratch/run"; }
no_file() { rm -f "$scratch/out.csv"; }

printf '%8s  %8s  %8s  %6s  %8s\n' rows "import s" "bare s" ratio "export s"
for rows in "$@"; do
  payees "$rows" >"$scratch/payees.csv"
  bare_s=$(median empty_store "$bare" "$scratch/run/VXBANK.mdb" "$scratch/payees.csv")
  import_s=$(median empty_store "$bin/talvek-store" import payees "$scratch/run/VXBANK.mdb" "$scratch/payees.csv")
  # The last import's store holds the payees; each export writes them anew.
  export_s=$(median no_file "$bin/talvek-store" export payees "$scratch/run/VXBANK.mdb" "$scratch/out.csv")
  exported=$(($(wc -l <"$scratch/out.csv") - 1))
  [ "$exported" -eq "$rows" ] || { echo "export wrote $exported rows, not $rows" >&2; exit 1; }
  ratio=$(awk -v a="$import_s" -v b="$bare_s" 'BEGIN { printf "%.1f", a / b }')
  printf '%8d  %8s  %8s  %6s  %8s\n' "$rows" "$import_s" "$bare_s" "$ratio" "$export_s"
done
