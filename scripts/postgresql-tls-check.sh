# shellcheck shell=bash disable=SC2154  # pg_tls_url and pg_port are scripts/postgresql-private.sh's
# The station store over TLS, as a station reaches the private server of
# scripts/postgresql-private.sh (started with tls): with sslmode=verify-full
# and the server's CA the store opens; with another CA, or with a host name
# the certificate does not name, it is refused, and the message says why.
# Sourced by scripts/postgresql-test.sh (korvel-cli) and
# scripts/windows-station-test.sh (korvel-cli.exe under Wine).
#
#   postgresql_tls_check WHO CA OTHER_CA CLI...
#       CA and OTHER_CA are the files scripts/postgresql-private.sh made, as
#       CLI reads paths (Windows paths with forward slashes); CLI... runs
#       korvel-cli

postgresql_tls_check() {
    local who=$1 ca=$2 other_ca=$3 out
    shift 3
    out=$(mktemp)
    # libpq's own messages, untranslated.
    if ! LC_MESSAGES=C "$@" record export --jsonl --store "$pg_tls_url&sslrootcert=$ca" >"$out" 2>&1; then
        echo "$who: the store over TLS (sslmode=verify-full, the server's CA) did not open:" >&2
        cat "$out" >&2; rm -f "$out"; return 1
    fi
    tls_refused "$who" "another CA" "certificate verify failed" "$out" \
        "$@" record export --jsonl --store "$pg_tls_url&sslrootcert=$other_ca" || return 1
    # The certificate names localhost and 127.0.0.1; the station asks for
    # another name at the same address.
    tls_refused "$who" "a host name the certificate does not name" \
        'does not match host name "korvel-db.invalid"' "$out" "$@" record export --jsonl \
        --store "postgresql://station@korvel-db.invalid:$pg_port/korvel?hostaddr=127.0.0.1&sslmode=verify-full&sslrootcert=$ca" ||
        return 1
    rm -f "$out"
    echo "$who: the store opens over TLS with the server's CA; another CA and a wrong host name are refused"
}

tls_refused() {  # who case reason out CLI...
    local who=$1 case=$2 reason=$3 out=$4
    shift 4
    if LC_MESSAGES=C "$@" >"$out" 2>&1; then
        echo "$who: the store over TLS opened with $case" >&2; rm -f "$out"; return 1
    fi
    if ! tr -d '\r' <"$out" | grep -qF "$reason"; then
        echo "$who: with $case the store was refused, but the message does not say \"$reason\":" >&2
        cat "$out" >&2; rm -f "$out"; return 1
    fi
}
