#!/usr/bin/env bash
# Many senders at once: PROCESSES shell loops, each running `vellum send`
# SENDS times as its own user, all against one database: an SQLite file,
# then a throwaway PostgreSQL cluster on 127.0.0.1. Afterwards it checks
# that every draft key a send printed names that sender's draft with that
# subject, every copy key likewise, and every notice's MailId names a copy
# with the notice's sender and subject; it prints the counts and the time.
#
#   bash bench/send-load.sh [PROCESSES [SENDS]]      (default 8 x 200)
set -euo pipefail
cd "$(dirname "$0")/.."
processes=${1:-8}
sends=${2:-200}
vellum=$PWD/build/tools/vellum/vellum
[[ -x $vellum ]] || cmake --build build --target vellum-cli >/dev/null
work=$(mktemp -d /tmp/vellum-send-load-XXXXXX)
chmod 755 "$work"
pgdata=""
cleanup() {
  if [[ -n $pgdata ]]; then pg pg_ctl -D "$pgdata" -m immediate -w stop >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
export VELLUM_CODEPAGE=UTF-8

# PostgreSQL will not run as root: root runs its tools as the postgres account.
pg() {
  local tool=/usr/lib/postgresql/15/bin/$1; shift
  if [[ $(id -u) -eq 0 ]]; then runuser -u postgres -- "$tool" "$@"; else "$tool" "$@"; fi
}

sql() { "$vellum" sql --connect "$1" "$2"; }

run_load() {
  local name=$1 connect=$2
  "$vellum" init-db --connect "$connect"
  local start end
  start=$(date +%s.%N)
  for p in $(seq 1 "$processes"); do
    (
      for i in $(seq 1 "$sends"); do
        if "$vellum" send --connect "$connect" --user "sender$p" --to "a;b,c" \
             --subject "sender$p-$i" --body "<P>load $p $i</P>" >"$work/one-$p" 2>>"$work/$name-err-$p"; then
          # Shell built-ins only: the harness spawns nothing but the senders.
          while read -r kind key; do
            printf 'sender%s\tsender%s-%s\t%s\t%s\n' "$p" "$p" "$i" "$kind" "$key"
          done <"$work/one-$p" >>"$work/$name-keys"
        else
          echo "send $i failed" >>"$work/$name-err-$p"
        fi
      done
    ) &
  done
  wait
  end=$(date +%s.%N)

  local failed expected
  failed=$(cat "$work/$name"-err-* 2>/dev/null | grep -c . || true)
  expected=$((processes * sends))
  # Rows the printed keys name, as "sender<TAB>subject<TAB>kind<TAB>key".
  sql "$connect" "select MailFrom, Subject, KeyId from SystemMail" | tail -n +2 |
    awk -F'\t' '{print $1 "\t" $2 "\tdraft\t" $3}' >"$work/$name-drafts"
  sql "$connect" "select MailFrom, Subject, KeyId from SystemMailCopy" | tail -n +2 |
    awk -F'\t' '{print $1 "\t" $2 "\tcopy\t" $3}' >"$work/$name-copies"
  local printed wrong
  printed=$(grep -cE $'\t(draft|copy)\t' "$work/$name-keys" || true)
  wrong=$(grep -E $'\t(draft|copy)\t' "$work/$name-keys" | sort |
    comm -23 - <(sort "$work/$name-drafts" "$work/$name-copies") | wc -l)
  local notices stray sent
  notices=$(sql "$connect" "select count(*) from SystemMailNotify" | tail -1)
  stray=$(sql "$connect" "select count(*) from SystemMailNotify n left join SystemMailCopy c on \
n.MailId=c.KeyId where c.KeyId is null or c.MailFrom<>n.MailFrom or c.Subject<>n.Subject" | tail -1)
  sent=$(sql "$connect" "select count(*) from SystemMail where Status=1" | tail -1)
  printf '%s: %d processes x %d sends in %.1f s (%.1f sends/s)\n' "$name" "$processes" "$sends" \
    "$(echo "$end - $start" | bc)" "$(echo "$expected / ($end - $start)" | bc -l)"
  printf '  failed sends %d; drafts sent %d of %d; keys printed %d, naming another row %d\n' \
    "$failed" "$sent" "$expected" "$printed" "$wrong"
  printf '  notices %d of %d; notices whose MailId names another sender'"'"'s copy %d\n' \
    "$notices" "$((expected * 3))" "$stray"
  [[ $failed -eq 0 && $wrong -eq 0 && $stray -eq 0 && $sent -eq $expected &&
     $notices -eq $((expected * 3)) && $printed -eq $((expected * 2)) ]]
}

status=0
run_load sqlite "Provider=SQLite;Data Source=$work/mail.db" || status=1

driver=$(ls /usr/lib/*/odbc/psqlodbcw.so 2>/dev/null | head -1 || true)
if [[ -n $driver && -x /usr/lib/postgresql/15/bin/initdb ]]; then
  [[ $(id -u) -eq 0 ]] && chown postgres "$work"
  pgdata=$work/pg
  pg initdb -D "$pgdata" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >/dev/null
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  pg pg_ctl -D "$pgdata" -l "$work/pg.log" -w \
    -o "-p $port -k $work -c listen_addresses=127.0.0.1 -c max_connections=50" start >/dev/null
  run_load postgresql "Driver=$driver;Server=127.0.0.1;Port=$port;Database=postgres;Uid=postgres;Pwd=;" ||
    status=1
else
  echo "postgresql: skipped (psqlODBC or PostgreSQL 15 is not installed)"
fi
exit $status
