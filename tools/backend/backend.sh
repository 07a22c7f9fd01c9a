#!/usr/bin/env bash
# Starts and stops the local back-end server of one build folder.
#   tools/backend/backend.sh start BUILD_DIR [DATA.json]   background; returns once ports.txt is written
#   tools/backend/backend.sh stop  BUILD_DIR
#   tools/backend/backend.sh run   BUILD_DIR [DATA.json]   foreground (the demo)
# State lives in BUILD_DIR/backend: ports.txt (read by the tests), the test
# CA (ca.pem, made once per build folder and trusted inside the build's Wine
# prefix only), the server certificates and server.log.
set -euo pipefail
CMD=${1:?usage: backend.sh start|stop|run BUILD_DIR [DATA]}
BUILD=$(cd "${2:?build folder}" && pwd)
DATA=${3:-}
HERE=$(cd "$(dirname "$0")" && pwd)
TOOLS=$(cd "$HERE/.." && pwd)
STATE=$BUILD/backend
mkdir -p "$STATE"

# CA (kept per build folder) + a new leaf certificate for 127.0.0.1 at every
# start. The address is also a DNS name in the SAN: Wine's name check compares
# the server name against DNS entries only.
make_pair() {  # make_pair CA_NAME LEAF_NAME "CA subject"
    local ca=$1 leaf=$2 subject=$3
    if [ ! -f "$STATE/$ca.pem" ]; then
        openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=$subject" \
            -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
            -keyout "$STATE/$ca.key" -out "$STATE/$ca.pem" 2>/dev/null
    fi
    openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" \
        -keyout "$STATE/$leaf.key" -out "$STATE/$leaf.csr" 2>/dev/null
    printf '%s\n' "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost" "basicConstraints=CA:FALSE" \
        "keyUsage=critical,digitalSignature,keyEncipherment" "extendedKeyUsage=serverAuth" > "$STATE/$leaf.ext"
    openssl x509 -req -in "$STATE/$leaf.csr" -CA "$STATE/$ca.pem" -CAkey "$STATE/$ca.key" \
        -CAcreateserial -days 825 -sha256 -extfile "$STATE/$leaf.ext" -out "$STATE/$leaf.pem" 2>/dev/null
    rm -f "$STATE/$leaf.csr" "$STATE/$leaf.ext"
}

# Trust the test CA in this build's Wine prefix (never on the host).
trust_ca() {
    "$TOOLS/wineprefix.sh" "$BUILD"
    . "$TOOLS/wine-env.sh" "$BUILD"
    python3 "$HERE/regcert.py" "$STATE/ca.pem" "$STATE/ca.reg" > "$STATE/ca.thumbprint"
    local reg="Z:${STATE//\//\\}\\ca.reg"
    "$CORRIN_WINE" regedit /S "$reg" </dev/null >/dev/null 2>&1
}

stop() {
    [ -f "$STATE/ports.txt" ] || return 0
    local pid
    pid=$(sed -n 's/^pid=//p' "$STATE/ports.txt")
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$STATE/ports.txt"
}

prepare() {
    stop
    make_pair ca server "Corrin Test CA"
    make_pair untrusted-ca untrusted "Corrin Untrusted CA"
    trust_ca
}

case $CMD in
    start)
        prepare
        nohup python3 "$HERE/server.py" --state "$STATE" ${DATA:+--data "$DATA"} \
            >"$STATE/server.log" 2>&1 </dev/null &
        for _ in $(seq 100); do
            [ -f "$STATE/ports.txt" ] && { cat "$STATE/ports.txt"; exit 0; }
            sleep 0.1
        done
        echo "backend: server did not start; log:" >&2
        cat "$STATE/server.log" >&2
        exit 1;;
    run)
        prepare
        exec python3 "$HERE/server.py" --state "$STATE" ${DATA:+--data "$DATA"};;
    stop)
        stop;;
    *)
        echo "usage: backend.sh start|stop|run BUILD_DIR [DATA]" >&2; exit 2;;
esac
