#!/bin/sh
# Start-up of our program against the peer HomeBank (the Debian package homebank) on files of
# the same bills, under a private Xvfb, alternating runs (ABAB...). Figures: window mapped,
# program idle, peak resident set; see bench.py for how each is taken.
#
#   tools/peer/side-by-side.sh BUILD_DIR [ROUNDS=5] [SIZES="1k 10k 100kpast"]
#
# BUILD_DIR is an optimised build (RelWithDebInfo) holding norvo-rava-rodozod and nvbench.
# Sizes: 1k, 10k, 100k, and 10kpast / 100kpast, the same files with every date moved into the
# past. Data, logs and results go to a scratch folder that is printed at the end; the data
# depend on today's date, as nvbench's do.
set -e
here=$(cd "$(dirname "$0")" && pwd)
NV_BUILD=$(cd "${1:?usage: side-by-side.sh BUILD_DIR [ROUNDS] [SIZES]}" && pwd)
rounds=${2:-5}
sizes=${3:-"1k 10k 100kpast"}
for tool in homebank Xvfb xdotool sqlite3 python3 cc; do
    command -v $tool >/dev/null || { echo "side-by-side.sh: $tool is missing (apt-get install homebank xvfb xdotool sqlite3 python3 gcc libx11-dev)" >&2; exit 1; }
done
PEER=$(mktemp -d /tmp/nv-peer.XXXXXX)
export PEER NV_BUILD
cp "$here"/*.py "$here"/*.sh "$PEER"/ && cp -r "$here/hbhome" "$PEER"/ && chmod -R u+w "$PEER"
cc -O2 -Wall -o "$PEER/waitmap" "$here/waitmap.c" -lX11
cd "$PEER" && mkdir -p data logs results

# The data: nvbench's household of N bills, the same bills as HomeBank transactions, and a
# system.db that makes our program open the file at start.
make_size() {
    n=$1; s=$(($1 / 1000))k
    [ -f data/bills$s.nvbf ] && return
    dir=$("$NV_BUILD/nvbench" --bills $n --keep 2>/dev/null | sed -n 's/^nvbench: the data files stay in //p')
    cp "$dir/bench.nvbf" data/bills$s.nvbf && rm -rf "$dir"
    nfav=500; [ $n = 1000 ] && nfav=50
    python3 gen_xhb.py data/bills$s.nvbf data/bills$s.xhb $nfav
    mkdir -p runA-$s
    sqlite3 runA-$s/system.db "
      CREATE TABLE recentfiles(id INTEGER PRIMARY KEY, recentfilelocation VARCHAR(200));
      CREATE TABLE systemfiledata( id INTEGER PRIMARY KEY, firstname varchar(50), lastname varchar(50), address varchar(200), emailaddress varchar(200), version varchar(10));
      INSERT INTO recentfiles VALUES (1, '$PEER/data/bills$s.nvbf');
      INSERT INTO systemfiledata VALUES (1, NULL, NULL, NULL, NULL, '1.4');"
}
for size in $sizes; do
    base=${size%past}
    make_size $(( ${base%k} * 1000 ))
    [ "$size" = "$base" ] || ./make_past.sh $base >/dev/null
done

Xvfb :58 -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 & echo $! > xvfb.pid
trap 'kill $(cat "$PEER/xvfb.pid") 2>/dev/null' EXIT
sleep 1
for size in $sizes; do
    ./waitquiet.sh 600 | tail -1
    python3 bench.py $size $rounds --no-register | tee results/run$size.log | tail -9
done
python3 tables.py | tee results/table.md
echo "side-by-side.sh: results in $PEER/results"
