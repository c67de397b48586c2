#!/usr/bin/env bash
# Signed packages for the Windows tests, made with the native qrpack and
# osslsigncode under a certificate made for the run:
#   make_signed_packages.sh QRPACK OUTDIR
# writes OUTDIR/src (the source tree), OUTDIR/signed_at_build.exe (signed by
# qrpack build --sign-command, its uninstaller too) and
# OUTDIR/signed_afterwards.exe (built unsigned, then signed). Every signature
# must verify.
set -euo pipefail
qrpack=$1 out=$2
rm -rf "$out"
mkdir -p "$out/src/data/子目录"
cd "$out"
openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=QrMaker Test Signing" -addext extendedKeyUsage=codeSigning >/dev/null 2>&1
seq 1 20000 > src/app.exe
printf 'signed 签名\r\n' > src/readme.txt
seq 3 11 100000 > "src/data/子目录/a.txt"
sign="osslsigncode sign -certs '$out/cert.pem' -key '$out/key.pem' -in \$f -out \$f.signed && mv \$f.signed \$f"
cd src
"$qrpack" build --quiet --name 签名测试 --dir QrSignedAtBuild \
  --sign-command "$sign" -o "$out/signed_at_build.exe" app.exe readme.txt data >/dev/null
"$qrpack" build --quiet --name 事后签名 --dir QrSignedAfterwards \
  -o "$out/unsigned.exe" app.exe readme.txt data >/dev/null
cd "$out"
osslsigncode sign -certs cert.pem -key key.pem -in unsigned.exe -out signed_afterwards.exe >/dev/null
rm unsigned.exe
"$qrpack" extract signed_at_build.exe extracted >/dev/null
for f in signed_at_build.exe signed_afterwards.exe extracted/uninst.exe; do
  osslsigncode verify -CAfile cert.pem -in "$f" >/dev/null || { echo "$f: signature does not verify" >&2; exit 1; }
done
for f in signed_at_build.exe signed_afterwards.exe; do
  "$qrpack" verify "$f" | grep -q "SHA-256 digest matches, signed" || { echo "$f: qrpack verify" >&2; exit 1; }
done
rm -rf extracted key.pem
