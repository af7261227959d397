#!/usr/bin/python3
"""Evaluates JavaScript in the program's preview through the remote
debugging port its test session opens, and prints the value as JSON.

Usage: cdp.py PORT EXPRESSION [--until-true SECONDS]
With --until-true the expression is evaluated again until it is true or
the seconds have passed; the exit status says which (0: true)."""
import json
import sys
import time
import urllib.request

import websocket


def preview_target(port):
    with urllib.request.urlopen(f"http://127.0.0.1:{port}/json", timeout=5) as reply:
        targets = json.load(reply)
    for target in targets:
        if target.get("type") == "page" and target.get("url", "").startswith("tav-preview:"):
            return target["webSocketDebuggerUrl"]
    return None


def evaluate(port, expression):
    url = preview_target(port)
    if url is None:
        return None
    socket = websocket.create_connection(url, timeout=5)
    try:
        socket.send(json.dumps({"id": 1, "method": "Runtime.evaluate",
                                "params": {"expression": expression, "returnByValue": True}}))
        while True:
            message = json.loads(socket.recv())
            if message.get("id") == 1:
                return message.get("result", {}).get("result", {}).get("value")
    finally:
        socket.close()


def main():
    port, expression = sys.argv[1], sys.argv[2]
    if len(sys.argv) > 3 and sys.argv[3] == "--until-true":
        deadline = time.monotonic() + float(sys.argv[4])
        while True:
            try:
                value = evaluate(port, expression)
            except OSError:
                value = None
            if value is True:
                print("true")
                return 0
            if time.monotonic() > deadline:
                print(json.dumps(value))
                return 1
            time.sleep(0.05)
    print(json.dumps(evaluate(port, expression), ensure_ascii=False))
    return 0


sys.exit(main())
