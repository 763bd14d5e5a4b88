# A private PostgreSQL server for the store tests and the store benchmark:
# made in a temporary folder, reached through a Unix socket there only (no TCP
# port), run as the postgres user when started by root (the server refuses
# to run as root), and removed again.  Sourced by postgresql-test.sh and
# store-benchmark.sh.
#
#   postgresql_start [tls]
#                      sets pg_url (postgresql:///korvel?host=…&user=station)
#                      and pg_dir; fails when the server programs are absent.
#                      With tls the server also listens on 127.0.0.1 (a free
#                      port, pg_port) with ssl = on and a certificate for
#                      localhost and 127.0.0.1 signed by a throw-away CA
#                      ($pg_dir/tls/ca.crt; $pg_dir/tls/other-ca.crt is a CA
#                      that signed nothing), and takes TCP clients over TLS
#                      only; pg_tls_url is a station's address there with
#                      sslmode=verify-full, for the caller to append
#                      &sslrootcert=CA_FILE to
#   postgresql_stop    stops the server and removes its folder

pg_dir= pg_url= pg_port=5432 pg_tls_url=

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
    local listen=''
    if [ "${1:-}" = tls ]; then
        postgresql_tls_files || return 1
        listen=127.0.0.1
    fi
    postgresql_as_owner "$pg_bin/pg_ctl" -D "$pg_dir/data" -o "-k $pg_dir -p $pg_port -c listen_addresses='$listen'" \
        -l "$pg_dir/log" -w start >/dev/null || { cat "$pg_dir/log" >&2; return 1; }
    psql -q -h "$pg_dir" -p "$pg_port" -U postgres -d postgres -v ON_ERROR_STOP=1 \
        -c 'create role station login' -c 'create database korvel owner station' >/dev/null || return 1
    pg_url="postgresql:///korvel?host=$pg_dir&port=$pg_port&user=station"
}

# The throw-away CAs, the server's certificate and key, and the server's TLS
# settings: TCP clients on 127.0.0.1 only, and only over TLS.
postgresql_tls_files() {
    local tls=$pg_dir/tls ca
    mkdir -p "$tls"
    for ca in ca other-ca; do
        openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=KORVEL test $ca" \
            -keyout "$tls/$ca.key" -out "$tls/$ca.crt" >"$tls/openssl.log" 2>&1 || { cat "$tls/openssl.log" >&2; return 1; }
    done
    if ! openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout "$tls/server.key" -out "$tls/server.csr" \
            >"$tls/openssl.log" 2>&1 ||
       ! openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.crt" -CAkey "$tls/ca.key" -CAcreateserial -days 2 \
            -extfile <(printf 'subjectAltName = DNS:localhost, IP:127.0.0.1\n') -out "$tls/server.crt" \
            >>"$tls/openssl.log" 2>&1; then
        cat "$tls/openssl.log" >&2
        return 1
    fi
    chmod 600 "$tls/server.key"
    [ "$(id -u)" -ne 0 ] || chown -R postgres "$tls"
    pg_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    printf "ssl = on\nssl_cert_file = '%s'\nssl_key_file = '%s'\n" "$tls/server.crt" "$tls/server.key" \
        >>"$pg_dir/data/postgresql.conf"
    printf 'local all all trust\nhostssl korvel station 127.0.0.1/32 trust\n' >"$pg_dir/data/pg_hba.conf"
    pg_tls_url="postgresql://station@127.0.0.1:$pg_port/korvel?sslmode=verify-full"
}

postgresql_stop() {
    [ -n "$pg_dir" ] || return 0
    if [ -f "$pg_dir/data/postmaster.pid" ]; then
        postgresql_as_owner "$pg_bin/pg_ctl" -D "$pg_dir/data" -m fast -w stop >/dev/null || true
    fi
    rm -rf "$pg_dir"
    pg_dir= pg_port=5432 pg_tls_url=
}
