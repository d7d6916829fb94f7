#!/usr/bin/env bash
# Makes a throw-away signing identity in DIR for the signing checks: a root certificate
# (root.pem), a code-signing certificate it issued, with its key, in signer.pfx, and the PKCS#12
# password in the file password, the way an administrator keeps one (with spaces and a final line
# break). Needs openssl; valid for two days.
#
#   bash tests/sign/make_keys.sh DIR
set -euo pipefail
dir=${1:?usage: bash tests/sign/make_keys.sh DIR}
mkdir -p "$dir"
cd "$dir"
printf 'a throw-away password\n' >password
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Torvexa test root' \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    -keyout root.key -out root.pem
openssl req -newkey rsa:2048 -nodes -subj '/CN=Torvexa test signer' -keyout signer.key -out signer.csr
printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature \
    extendedKeyUsage=codeSigning >signer.ext
openssl x509 -req -days 2 -in signer.csr -CA root.pem -CAkey root.key -CAcreateserial \
    -extfile signer.ext -out signer.pem
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile root.pem -passout file:password \
    -out signer.pfx
