"""Serves the files of the current folder over HTTPS on 127.0.0.1:PORT.

    python3 https-files.py CERT KEY PORT

The Windows proof's update channel (scripts/windows.sh). Each response names
its length and the connection stays open (HTTP/1.1): under Wine, Qt's
Schannel back-end lost the end of a body when the server closed the
connection right after it. One thread per connection, since the program
opens a new one for the manifest and for the installer.
"""
import http.server
import ssl
import sys

cert, key, port = sys.argv[1], sys.argv[2], int(sys.argv[3])
http.server.SimpleHTTPRequestHandler.protocol_version = "HTTP/1.1"
server = http.server.ThreadingHTTPServer(("127.0.0.1", port), http.server.SimpleHTTPRequestHandler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
server.socket = context.wrap_socket(server.socket, server_side=True)
server.serve_forever()
