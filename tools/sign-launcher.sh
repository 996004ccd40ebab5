#!/usr/bin/env bash
# The publisher's side of the game launcher's signature.
#
#   sign-launcher.sh key KEYFILE
#       Makes a new Ed25519 key pair: the private key goes to KEYFILE (readable
#       by you only; keep it off the content server), and the public key is
#       printed as the 64 hex digits LAUNCHER_SIGNING_KEY takes.
#   sign-launcher.sh sign KEYFILE FILE
#       Writes FILE.sig, the 64-byte signature the login launcher fetches from
#       the launcher's address plus ".sig".
#   sign-launcher.sh verify PUBLIC_HEX FILE
#       Checks FILE.sig against FILE as the login launcher will.
set -euo pipefail

usage() {
  sed -n '3,13p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

# The 32 raw bytes of an Ed25519 public key, wrapped in the DER structure
# OpenSSL reads keys from.
public_key_der() {
  local hex=$1
  [[ $hex =~ ^[0-9A-Fa-f]{64}$ ]] || { echo "sign-launcher: the public key must be 64 hex digits" >&2; exit 2; }
  perl -e 'print pack("H*", "302a300506032b6570032100" . $ARGV[0])' "$hex"
}

case ${1:-} in
  key)
    [[ $# -eq 2 ]] || usage
    [[ ! -e $2 ]] || { echo "sign-launcher: $2 exists; not overwriting a key" >&2; exit 1; }
    (umask 077 && openssl genpkey -algorithm ed25519 -out "$2")
    openssl pkey -in "$2" -pubout -outform DER | tail -c 32 | od -An -v -tx1 | tr -d ' \n'
    echo
    ;;
  sign)
    [[ $# -eq 3 ]] || usage
    openssl pkeyutl -sign -rawin -inkey "$2" -in "$3" -out "$3.sig"
    echo "sign-launcher: wrote $3.sig" >&2
    ;;
  verify)
    [[ $# -eq 3 ]] || usage
    der=$(mktemp)
    trap 'rm -f "$der"' EXIT
    public_key_der "$2" >"$der"
    openssl pkeyutl -verify -rawin -pubin -keyform DER -inkey "$der" -in "$3" -sigfile "$3.sig"
    ;;
  *)
    usage
    ;;
esac
