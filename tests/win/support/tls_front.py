#!/usr/bin/env python3
"""TLS in front of a Windows test's loopback HTTP server.

    tls_front.py CONTROL_PORT BACKEND_PORT FIXTURES NAME...

Started by the test program itself (Wine runs a Unix program that a Windows
program starts). It connects to the test's control port on 127.0.0.1, listens
on 127.0.0.1 at a port of the system's choosing for each NAME, presenting the
certificate FIXTURES/NAME.pem with its key FIXTURES/NAME.key, and tells the
test "NAME=PORT ..." on one line. Each connection that completes the TLS
handshake has its request passed to 127.0.0.1:BACKEND_PORT and the answer
passed back. It ends when the test closes the control connection, when the
test process ends, or after ten minutes in any case.
"""
import select
import socket
import ssl
import sys
import threading
import time

LIFETIME_S = 600
SOCKET_TIMEOUT_S = 10


def relay(context, client, backend_port):
    backend = None
    try:
        client.settimeout(SOCKET_TIMEOUT_S)
        # A client that refuses the certificate ends here.
        tls = context.wrap_socket(client, server_side=True)
        head = b""
        while b"\r\n\r\n" not in head:
            data = tls.recv(4096)
            if not data:
                return
            head += data
        backend = socket.create_connection(("127.0.0.1", backend_port), SOCKET_TIMEOUT_S)
        backend.sendall(head)
        while True:
            data = backend.recv(16384)
            if not data:
                break
            tls.sendall(data)
        tls.close()
    except (OSError, ssl.SSLError):
        pass
    finally:
        client.close()
        if backend:
            backend.close()


def main():
    control_port, backend_port, fixtures = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    control = socket.create_connection(("127.0.0.1", control_port), SOCKET_TIMEOUT_S)
    listeners = {}
    ports = []
    for name in sys.argv[4:]:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(f"{fixtures}/{name}.pem", f"{fixtures}/{name}.key")
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.bind(("127.0.0.1", 0))
        listener.listen(8)
        listeners[listener] = context
        ports.append(f"{name}={listener.getsockname()[1]}")
    control.sendall((" ".join(ports) + "\n").encode())

    deadline = time.monotonic() + LIFETIME_S
    while time.monotonic() < deadline:
        readable, _, _ = select.select([control, *listeners], [], [], 1)
        for ready in readable:
            if ready is control:
                try:
                    if not control.recv(1):
                        return
                except OSError:
                    return
            else:
                client, _ = ready.accept()
                threading.Thread(
                    target=relay, args=(listeners[ready], client, backend_port), daemon=True
                ).start()


if __name__ == "__main__":
    main()
