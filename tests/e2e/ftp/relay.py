#!/usr/bin/env python3
"""A recording TCP relay for the TLS tests: listens on LISTEN_ADDR at each given
port, forwards every connection to the same port on TARGET_ADDR, and appends
every byte that crosses (either way) to LOG, so a test can search the wire.
Usage: relay.py LISTEN_ADDR TARGET_ADDR LOG PORT [PORT...]   (PORT may be A-B)"""
import socket
import sys
import threading

listen_addr, target_addr, log_path = sys.argv[1:4]
ports = []
for arg in sys.argv[4:]:
    a, _, b = arg.partition("-")
    ports.extend(range(int(a), int(b or a) + 1))
lock = threading.Lock()
log = open(log_path, "ab", buffering=0)


def pump(src, dst):
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            with lock:
                log.write(data)
            dst.sendall(data)
    except OSError:
        pass
    for s, how in ((dst, socket.SHUT_WR), (src, socket.SHUT_RD)):
        try:
            s.shutdown(how)
        except OSError:
            pass


def serve(listener, port):
    while True:
        client, _ = listener.accept()
        try:
            server = socket.create_connection((target_addr, port))
        except OSError:
            client.close()
            continue
        for a, b in ((client, server), (server, client)):
            threading.Thread(target=pump, args=(a, b), daemon=True).start()


for port in ports:
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((listen_addr, port))
    listener.listen(8)
    threading.Thread(target=serve, args=(listener, port), daemon=True).start()
print("ready", flush=True)
threading.Event().wait()
