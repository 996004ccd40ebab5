#!/usr/bin/env bash
# Runs COMMAND... where the system trust store holds one certificate
# authority, made just now, and nothing else: the program under test checks
# certificates against the system's store only, so its https tests put their
# own authority there instead of switching anything off in the program.
#
# The store is replaced in a private mount namespace, seen by COMMAND and
# its children only. Both TLS libraries the program uses read it there:
# libcurl (OpenSSL) from /etc/ssl/certs/ca-certificates.crt and the hashed
# links in /etc/ssl/certs, the browser (glib-networking, GnuTLS) from
# /etc/ssl/certs/ca-certificates.crt. The whole folder is covered.
#
# COMMAND finds in $LAUNCHER_TEST_TLS, each as NAME.crt and NAME.key:
#   trusted     for 127.0.0.1 and localhost, from the trusted authority
#   untrusted   for 127.0.0.1 and localhost, from an authority nobody trusts
#   wrong-host  from the trusted authority, for another host only
#   expired     for 127.0.0.1 and localhost, from the trusted authority, past
#               its end date
# and the trusted authority as ca.crt.
#
# Where no mount namespace can be made (not root, or a container without
# CAP_SYS_ADMIN), COMMAND runs without the store and without
# LAUNCHER_TEST_TLS; LAUNCHER_TEST_TLS_SKIP says why, for the tests to skip
# with.
set -euo pipefail

if (($# == 0)); then
  echo "usage: $0 COMMAND [ARGUMENT...]" >&2
  exit 2
fi

dir=$(mktemp -d -t launcher-tls-XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

# EC keys: made in milliseconds, and every TLS library here takes them.
new_key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }

new_authority() {  # NAME COMMON-NAME
  new_key "$1.key"
  openssl req -x509 -new -key "$1.key" -out "$1.crt" -days 2 -subj "/CN=$2" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"
}

# NAME AUTHORITY SUBJECT-ALT-NAMES [openssl ca's date options...]
new_server_cert() {
  local name=$1 authority=$2 names=$3
  shift 3
  new_key "$name.key"
  openssl req -new -key "$name.key" -out "$name.csr" -subj "/CN=launcher test server"
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=serverAuth\nsubjectAltName=%s\n' \
    "$names" >"$name.ext"
  # openssl ca rather than openssl x509: only it can set the dates that make
  # a certificate out of date.
  mkdir -p "$authority.db"
  touch "$authority.db/index"
  [[ -e $authority.db/serial ]] || echo 01 >"$authority.db/serial"
  cat >"$authority.cnf" <<EOF
[ca]
default_ca = this
[this]
database = $dir/$authority.db/index
serial = $dir/$authority.db/serial
new_certs_dir = $dir/$authority.db
default_md = sha256
default_days = 2
policy = any
unique_subject = no
[any]
commonName = supplied
EOF
  openssl ca -batch -notext -config "$authority.cnf" -cert "$authority.crt" -keyfile "$authority.key" \
    -extfile "$name.ext" -in "$name.csr" -out "$name.crt" "$@" 2>/dev/null
  rm "$name.csr" "$name.ext"
}

new_authority ca "Login launcher test authority"
new_authority stranger "An authority nobody trusts"
here="IP:127.0.0.1,DNS:localhost"
new_server_cert trusted ca "$here"
new_server_cert untrusted stranger "$here"
new_server_cert wrong-host ca "DNS:portal.example.invalid"
new_server_cert expired ca "$here" -startdate 20200101000000Z -enddate 20200102000000Z

mkdir store
cp ca.crt store/ca-certificates.crt
openssl rehash store
cd - >/dev/null

# Variables that would point either library at another store.
unset SSL_CERT_FILE SSL_CERT_DIR CURL_CA_BUNDLE

if ! unshare --mount --propagation private -- mount --bind "$dir/store" /etc/ssl/certs 2>"$dir/why"; then
  reason="no private mount namespace can be made here ($(tr '\n' ' ' <"$dir/why")); the https tests need one to trust a test certificate authority"
  echo "with-test-ca: SKIPPING https tests: $reason" >&2
  LAUNCHER_TEST_TLS_SKIP=$reason "$@"
  exit
fi
LAUNCHER_TEST_TLS=$dir unshare --mount --propagation private -- \
  bash -c 'mount --bind "$1" /etc/ssl/certs && shift && exec "$@"' with-test-ca "$dir/store" "$@"
