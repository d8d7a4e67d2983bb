#!/bin/sh
# Regenerates the TLS test data in this directory (see README.txt). Run from here.
set -eu
days=36525
names="DNS:localhost,DNS:*.vantor.localhost,DNS:*.orvandel.localhost,DNS:www.vantor.localhost,DNS:collector.vantor.localhost,DNS:www-qa.vantor.localhost,IP:127.0.0.1"

# Test CA and a server certificate it signs.
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
  -keyout ca-key.pem -out ca.pem -subj "/CN=QivDepends Test CA" \
  -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" \
  -addext "subjectKeyIdentifier=hash"
openssl req -new -newkey rsa:2048 -nodes -sha256 \
  -keyout server-key.pem -out server.csr -subj "/CN=localhost"
cat > server.ext <<EXT
basicConstraints=critical,CA:FALSE
keyUsage=critical,digitalSignature,keyEncipherment
extendedKeyUsage=serverAuth
subjectAltName=$names
subjectKeyIdentifier=hash
authorityKeyIdentifier=keyid
EXT
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca-key.pem -CAcreateserial \
  -days "$days" -sha256 -extfile server.ext -out server.pem
rm -f server.csr server.ext ca.srl

# A self-signed certificate for the same names that no trusted CA vouches for.
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days "$days" \
  -keyout untrusted-key.pem -out untrusted.pem -subj "/CN=localhost" \
  -addext "basicConstraints=critical,CA:FALSE" \
  -addext "keyUsage=critical,digitalSignature,keyEncipherment" \
  -addext "extendedKeyUsage=serverAuth" \
  -addext "subjectAltName=$names"
