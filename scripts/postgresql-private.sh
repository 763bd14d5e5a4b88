# A private PostgreSQL server for the store tests and the store benchmark:
# made in a temporary folder, reached through a Unix socket there only (no TCP
# port), run as the postgres user when started by root (the server refuses
# to run as root), and removed again.  Sourced by postgresql-test.sh and
# store-benchmark.sh.
#
#   postgresql_start   sets pg_url (postgresql:///korvel?host=…&user=station)
#                      and pg_dir; fails when the server programs are absent
#   postgresql_stop    stops the server and removes its folder

pg_dir= pg_url=

postgresql_as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

postgresql_start() {
    local bin
    bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
    if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || ! command -v psql >/dev/null; then
        echo "no PostgreSQL server programs (Debian: postgresql; bash scripts/install-packages.sh installs them)" >&2
        return 1
    fi
    pg_bin=$bin
    pg_dir=$(mktemp -d /tmp/korvel-pg.XXXXXX)
    [ "$(id -u)" -eq 0 ] && chown postgres "$pg_dir"
    postgresql_as_owner "$pg_bin/initdb" -D "$pg_dir/data" -A trust -U postgres >"$pg_dir/initdb.log" 2>&1 ||
        { cat "$pg_dir/initdb.log" >&2; return 1; }
    postgresql_as_owner "$pg_bin/pg_ctl" -D "$pg_dir/data" -o "-k $pg_dir -c listen_addresses=''" \
        -l "$pg_dir/log" -w start >/dev/null || { cat "$pg_dir/log" >&2; return 1; }
    psql -q -h "$pg_dir" -U postgres -d postgres -v ON_ERROR_STOP=1 \
        -c 'create role station login' -c 'create database korvel owner station' >/dev/null || return 1
    pg_url="postgresql:///korvel?host=$pg_dir&user=station"
}

postgresql_stop() {
    [ -n "$pg_dir" ] || return 0
    if [ -f "$pg_dir/data/postmaster.pid" ]; then
        postgresql_as_owner "$pg_bin/pg_ctl" -D "$pg_dir/data" -m fast -w stop >/dev/null || true
    fi
    rm -rf "$pg_dir"
    pg_dir=
}
