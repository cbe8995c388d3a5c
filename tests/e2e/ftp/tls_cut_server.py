#!/usr/bin/env python3
"""A one-session FTPS server whose data connection ends without close_notify:
after AUTH TLS, PBSZ, PROT, USER, PASS, EPSV, it answers RETR with 150, sends
half the file over TLS, closes the TCP connection under TLS and still replies
226, so a client that trusts the 226 alone would keep a truncated file.
Usage: tls_cut_server.py ADDR PORT CERT KEY"""
import os
import socket
import ssl
import sys

addr, port, cert, key = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain(cert, key)
listener = socket.create_server((addr, port))
print("ready", flush=True)
conn, _ = listener.accept()
ctrl = conn.makefile("rb")
out = conn


def reply(text):
    out.sendall((text + "\r\n").encode())


def line():
    return ctrl.readline().decode().strip()


reply("220 cut server")
data_listener = None
while True:
    cmd = line()
    verb = cmd.split(" ")[0].upper()
    if verb == "AUTH":
        reply("234 go")
        out = ctx.wrap_socket(conn, server_side=True)
        ctrl = out.makefile("rb")
    elif verb in ("PBSZ", "PROT", "TYPE"):
        reply("200 ok")
    elif verb == "USER":
        reply("331 pw")
    elif verb == "PASS":
        reply("230 in")
    elif verb == "EPSV":
        data_listener = socket.create_server((addr, 0))
        reply("229 Entering Extended Passive Mode (|||%d|)" % data_listener.getsockname()[1])
    elif verb == "RETR":
        d, _ = data_listener.accept()
        reply("150 Opening BINARY mode data connection.")
        t = ctx.wrap_socket(d, server_side=True)
        t.sendall(b"x" * 100000)
        # Close the TCP connection under TLS without close_notify.
        os.close(t.detach())
        reply("226 Transfer complete.")
    elif verb == "QUIT":
        reply("221 bye")
        break
    else:
        reply("502 no")
