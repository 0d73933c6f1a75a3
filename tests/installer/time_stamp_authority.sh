# The test time-stamp authority's files: its certificate for time-stamping
# only, its serial and its configuration, in the folder tsa/ of the current
# one. Sourced by the signing tests.
make_time_stamp_authority() {
  mkdir tsa
  openssl req -x509 -newkey rsa:2048 -sha256 -days 30 -nodes -keyout tsa/tsa.key -out tsa/tsa.pem \
    -subj "/CN=Test time-stamp server" -addext "basicConstraints=critical,CA:FALSE" \
    -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=critical,timeStamping" 2>/dev/null
  echo 01 >tsa/serial
  cat >tsa/tsa.cnf <<'CNF'
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = ./serial
crypto_device = builtin
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = no
ess_cert_id_chain = no
ess_cert_id_alg = sha256
CNF
}
