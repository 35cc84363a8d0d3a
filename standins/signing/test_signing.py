"""Test equipment: what the tests sign their packages with. A throwaway code-signing certificate
(self-signed, as a PKCS#12 file) and an RFC 3161 timestamp server on 127.0.0.1 made with
`openssl ts`, whose own certificate goes to `osslsigncode verify -TSA-CAfile`.

    with test_signing.signing(folder, password) as s: s.p12, s.cert, s.timestamp (URL), s.tsa

Inside the block, the environment names them as the package's build reads them
(QUENBREL_SIGN_PKCS12, QUENBREL_SIGN_TIMESTAMP).
"""
import contextlib
import http.server
import os
import subprocess
import tempfile
import threading
import types

CONFIG = """[req]
distinguished_name = name
[name]
[tsa_certificate]
basicConstraints = critical,CA:false
keyUsage = critical,digitalSignature
extendedKeyUsage = critical,timeStamping
[tsa]
default_tsa = server
[server]
serial = {0}/serial
signer_cert = {0}/tsa.pem
signer_key = {0}/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512, sha1
ess_cert_id_alg = sha256
"""


def openssl(*arguments):
    subprocess.run(["openssl", *arguments], check=True, capture_output=True, timeout=60)


@contextlib.contextmanager
def signing(folder, password):
    """Makes the certificates and keys in |folder| and answers time-stamp queries (POST) until
    the block ends."""
    s = types.SimpleNamespace(p12=os.path.join(folder, "cert.p12"),
                              cert=os.path.join(folder, "cert.pem"),
                              tsa=os.path.join(folder, "tsa.pem"))
    key, config = os.path.join(folder, "key.pem"), os.path.join(folder, "tsa.cnf")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
            "/CN=Quenbrel test signing", "-addext", "extendedKeyUsage=codeSigning", "-keyout",
            key, "-out", s.cert)
    openssl("pkcs12", "-export", "-inkey", key, "-in", s.cert, "-out", s.p12, "-passout",
            "pass:" + password)
    with open(config, "w") as f:
        f.write(CONFIG.format(folder))
    with open(os.path.join(folder, "serial"), "w") as f:
        f.write("01\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
            "/CN=Quenbrel test timestamps", "-config", config, "-extensions", "tsa_certificate",
            "-keyout", os.path.join(folder, "tsa.key"), "-out", s.tsa)

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_POST(self):
            with tempfile.NamedTemporaryFile(dir=folder) as query:
                query.write(self.rfile.read(int(self.headers["Content-Length"])))
                query.flush()
                reply = subprocess.run(["openssl", "ts", "-reply", "-config", config,
                                        "-queryfile", query.name], capture_output=True,
                                       timeout=30).stdout
            self.send_response(200 if reply else 500)
            self.send_header("Content-Type", "application/timestamp-reply")
            self.send_header("Content-Length", str(len(reply)))
            self.end_headers()
            self.wfile.write(reply)

        def log_message(self, *args):
            pass

    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)  # one query at a time: one serial
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    s.timestamp = "http://127.0.0.1:%d" % server.server_address[1]
    os.environ.update(QUENBREL_SIGN_PKCS12=s.p12, QUENBREL_SIGN_TIMESTAMP=s.timestamp)
    try:
        yield s
    finally:
        for name in ("QUENBREL_SIGN_PKCS12", "QUENBREL_SIGN_TIMESTAMP"):
            del os.environ[name]
        server.shutdown()
        server.server_close()
        thread.join(timeout=10)
