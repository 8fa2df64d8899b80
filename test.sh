#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test on SQLite and on a
# private PostgreSQL server that lives only as long as this script.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

velmora_install "${VELMORA_BUILD_PACKAGES[@]}" postgresql xvfb xauth poppler-utils
velmora_build

pgbin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
pgdir=$(mktemp -d /tmp/velmora-pg.XXXXXX)
chmod 755 "$pgdir"
run_pg=()
if [ "$(id -u)" -eq 0 ]; then
    # PostgreSQL refuses to run as root.
    id velmora-pg >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin velmora-pg
    chown velmora-pg "$pgdir"
    run_pg=(runuser -u velmora-pg --)
fi

port=55432
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done

stop_pg() {
    "${run_pg[@]}" "$pgbin/pg_ctl" -D "$pgdir/data" -m fast stop >/dev/null 2>&1 || true
    rm -rf "$pgdir"
}
trap stop_pg EXIT

echo velmora > "$pgdir/pw"
chmod 644 "$pgdir/pw"
"${run_pg[@]}" "$pgbin/initdb" -D "$pgdir/data" -U velmora --pwfile="$pgdir/pw" --auth=scram-sha-256 \
    -E UTF8 --locale=C >/dev/null
"${run_pg[@]}" "$pgbin/pg_ctl" -D "$pgdir/data" -l "$pgdir/log" -w \
    -o "-p $port -k $pgdir -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off" start >/dev/null
echo "PostgreSQL $("$pgbin/postgres" --version | awk '{print $3}') on 127.0.0.1:$port"

export VELMORA_PG_HOST=127.0.0.1 VELMORA_PG_PORT=$port VELMORA_PG_USER=velmora VELMORA_PG_PASSWORD=velmora
export VELMORA_REQUIRE_PG=1
# For the test that stops a server of its own under an open window.
export VELMORA_PG_BIN=$pgbin VELMORA_PG_RUNAS=${run_pg[2]:-}
ctest --test-dir "$VELMORA_BUILD" --output-on-failure -j2 "$@"
