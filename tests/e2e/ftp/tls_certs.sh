# Certificates for the TLS tests, made with the openssl command in folder $1 for
# the addresses $2 (the server) and $3 (the relay in front of it):
#   ca.pem               a test authority
#   server.pem/.key      signed by it, naming both addresses
#   other.pem/.key       signed by it, naming an address nobody uses (wrong host)
#   expired.pem/.key     signed by it, naming both addresses, expired in 2020
#   self.pem/.key        self-signed, naming both addresses
# Sourced by the TLS test scripts.
make_test_certs() {
  local dir=$1 addr=$2 relay=$3
  (
    cd "$dir" || exit 1
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=KV test authority" \
      -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null || exit 1
    printf '[ca]\ndefault_ca=d\n[d]\ndatabase=index.txt\nnew_certs_dir=.\nserial=serial\ndefault_md=sha256\npolicy=p\ncopy_extensions=copy\n[p]\ncommonName=supplied\n' > ca.cnf
    : > index.txt
    echo 01 > serial
    sign() {  # sign NAME SAN [openssl ca date options...]
      local name=$1 san=$2; shift 2
      openssl req -new -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" -subj "/CN=$name" \
        -addext "subjectAltName=$san" 2>/dev/null &&
        openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$name.csr" -out "$name.pem" -notext "$@" \
          >/dev/null 2>&1
    }
    sign server "IP:$addr,IP:$relay" -days 30 || exit 1
    sign other "IP:127.254.254.254" -days 30 || exit 1
    sign expired "IP:$addr,IP:$relay" -startdate 20200101000000Z -enddate 20200201000000Z || exit 1
    openssl req -x509 -newkey rsa:2048 -nodes -keyout self.key -out self.pem -days 30 -subj "/CN=self" \
      -addext "subjectAltName=IP:$addr,IP:$relay" 2>/dev/null || exit 1
  )
}

# The certificate's SHA-256 fingerprint as sha256:HEX.
fingerprint() {
  echo "sha256:$(openssl x509 -in "$1" -noout -fingerprint -sha256 | sed 's/.*=//; s/://g' | tr 'A-F' 'a-f')"
}
