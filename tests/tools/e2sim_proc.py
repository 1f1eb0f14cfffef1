"""Starts the e2sim executable for black-box tests and talks to it over the
network only (nothing of the simulator is imported)."""

import base64
import json
import os
import signal
import ssl
import subprocess
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET

E2SIM = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", "..", "tools", "e2sim", "e2sim"))
USER, PASS = "root", "tunerpwd"


class Answer:
    def __init__(self, status, body, headers):
        self.status = status
        self.body = body
        self.headers = headers

    @property
    def text(self):
        return self.body.decode("utf-8")

    def xml(self):
        return ET.fromstring(self.body)


class E2Sim:
    def __init__(self, *args, https=False):
        self.https = https
        cmd = [E2SIM, "--web-port", "0", "--stream-port", "0", "--ftp-port", "0"]
        cmd += list(args) + (["--https"] if https else [])
        self.proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        if not line.startswith("e2sim ready "):
            self.proc.kill()
            raise RuntimeError("e2sim did not start: %r" % line)
        fields = dict(p.split("=") for p in line.split()[2:])
        self.web, self.stream, self.ftp = (int(fields[k]) for k in ("web", "stream", "ftp"))
        self.ctx = ssl._create_unverified_context() if https else None

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                return self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
                raise
        return self.proc.returncode

    @property
    def base(self):
        return "%s://127.0.0.1:%d" % ("https" if self.https else "http", self.web)

    def get(self, path, auth=(USER, PASS), headers=None):
        req = urllib.request.Request(self.base + path, headers=dict(headers or {}))
        if auth:
            token = base64.b64encode(("%s:%s" % auth).encode()).decode()
            req.add_header("Authorization", "Basic " + token)
        try:
            with urllib.request.urlopen(req, timeout=30, context=self.ctx) as r:
                return Answer(r.status, r.read(), r.headers)
        except urllib.error.HTTPError as e:
            return Answer(e.code, e.read(), e.headers)

    def web_cmd(self, command):
        return self.get("/web/" + command)

    def state(self):
        return json.loads(self.get("/sim/state", auth=None).body)

    def dataset(self):
        return json.loads(self.get("/sim/dataset", auth=None).body)

    def fault(self, query):
        return self.get("/sim/fault?" + query, auth=None).status

    def reset(self, state=False):
        return self.get("/sim/reset" + ("?state=1" if state else ""), auth=None).status
