# Shared by run.sh and test.sh: install what is missing, then build.
# shellcheck shell=bash

VELMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VELMORA_BUILD=${VELMORA_BUILD:-$VELMORA_ROOT/build}

velmora_install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

VELMORA_BUILD_PACKAGES=(cmake g++ ninja-build pkg-config qt6-base-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6sql6-psql
    qt6-qpa-plugins libgl-dev libxkbcommon-dev libbenchmark-dev libsqlite3-dev libpq-dev libsodium-dev libxlsxwriter-dev zlib1g-dev libminizip-dev libfreexl-dev fonts-noto-cjk
    qt6-translations-l10n fonts-arphic-uming fonts-wqy-microhei)

# Extra arguments go to cmake's configure step. VELMORA_WERROR=ON (CI) makes warnings errors.
velmora_build() {
    cmake -S "$VELMORA_ROOT" -B "$VELMORA_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELMORA_WERROR="${VELMORA_WERROR:-OFF}" "$@" >/dev/null
    cmake --build "$VELMORA_BUILD" -j2
}

# A private PostgreSQL server on a free local port, data in a temporary folder,
# stopped when the calling script exits. Exports VELMORA_PG_HOST/PORT/USER/PASSWORD,
# and VELMORA_PG_BIN/RUNAS for tests that stop a server of their own.
# "durable" keeps fsync on, as a real server would run; tests do without it.
velmora_start_pg() {
    local options="-c fsync=off -c synchronous_commit=off"
    [ "${1:-}" = durable ] && options=""
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
    # TLS, as a school's server offers it: a certificate of its own for the run.
    "${run_pg[@]}" openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -days 2 \
        -keyout "$pgdir/data/server.key" -out "$pgdir/data/server.crt" 2>/dev/null
    chmod 600 "$pgdir/data/server.key"
    "${run_pg[@]}" "$pgbin/pg_ctl" -D "$pgdir/data" -l "$pgdir/log" -w \
        -o "-p $port -k $pgdir -c listen_addresses=127.0.0.1 -c ssl=on $options" start >/dev/null
    echo "PostgreSQL $("$pgbin/postgres" --version | awk '{print $3}') on 127.0.0.1:$port"

    export VELMORA_PG_HOST=127.0.0.1 VELMORA_PG_PORT=$port VELMORA_PG_USER=velmora VELMORA_PG_PASSWORD=velmora
    export VELMORA_PG_BIN=$pgbin VELMORA_PG_RUNAS=${run_pg[2]:-}
}
