"""Black-box tests of the simulator's recording files (HTTP "/file" with
ranges, FTP), the screen grab, notifications and process handling."""

import ftplib
import io
import os
import signal
import socket
import struct
import subprocess
import urllib.parse

import pytest

from e2sim_proc import E2SIM, E2Sim, PASS, USER


@pytest.fixture(scope="module")
def sim():
    s = E2Sim()
    yield s
    assert s.stop() == 0


@pytest.fixture(scope="module")
def rec(sim):
    return sim.dataset()["recordings"][0]


def file_url(path):
    return "/file?file=" + urllib.parse.quote(path, safe="")


@pytest.fixture(scope="module")
def whole(sim, rec):
    a = sim.get(file_url(rec["path"]))
    assert a.status == 200 and a.headers["Accept-Ranges"] == "bytes"
    assert len(a.body) > 1000 and a.body[0] == 0x47
    return a.body


@pytest.mark.parametrize("header,first,last", [
    ("bytes=0-99", 0, 99),
    ("bytes=1000-", 1000, None),
    ("bytes=-188", -188, None),
    ("bytes=500-10000000000", 500, None),  # an end beyond the file is cut
])
def test_file_range(sim, rec, whole, header, first, last):
    a = sim.get(file_url(rec["path"]), headers={"Range": header})
    size = len(whole)
    start = first if first >= 0 else size + first
    end = size - 1 if last is None else last
    assert a.status == 206
    assert a.headers["Content-Range"] == "bytes %d-%d/%d" % (start, end, size)
    assert a.body == whole[start:end + 1]


def test_file_bad_requests(sim, rec, whole):
    assert sim.get(file_url(rec["path"]), headers={"Range": "bytes=%d-" % len(whole)}).status == 416
    assert sim.get(file_url(rec["path"]), auth=None).status == 401
    assert sim.get(file_url("/hdd/movie/nothing.ts")).status == 404
    # Paths may not leave the receiver's file system.
    assert sim.get(file_url("/../../../../etc/passwd")).status == 404
    assert sim.get("/file").status == 404


def test_file_path_as_the_program_sends_it(sim, rec, whole):
    # "file?file=/" followed by the escaped path without its leading "/".
    a = sim.get("/file?file=/" + urllib.parse.quote(rec["path"][1:], safe=""))
    assert a.status == 200 and a.body == whole


def ftp(sim):
    f = ftplib.FTP()
    f.connect("127.0.0.1", sim.ftp, timeout=20)
    f.login(USER, PASS)
    return f


def test_ftp_lists_and_downloads_a_recording(sim, rec, whole):
    directory, name = rec["path"].rsplit("/", 1)
    with ftp(sim) as f:
        f.cwd(directory)
        names = f.nlst()
        assert name in names and name + ".meta" in names
        buf = io.BytesIO()
        f.retrbinary("RETR " + name, buf.write)
        assert buf.getvalue() == whole
        meta = io.BytesIO()
        f.retrbinary("RETR " + name + ".meta", meta.write)
    lines = meta.getvalue().decode("utf-8").splitlines()
    assert lines[0] == rec["service_ref"] and lines[1] == rec["title"]
    assert lines[4] == rec["tags"]


def test_ftp_tag_edit_shows_in_movielist(sim, rec):
    directory, name = rec["path"].rsplit("/", 1)
    with ftp(sim) as f:
        f.cwd(directory)
        meta = io.BytesIO()
        f.retrbinary("RETR " + name + ".meta", meta.write)
        lines = meta.getvalue().decode("utf-8").split("\n")
        lines[4] = "Krimi Lieblinge"
        f.storbinary("STOR " + name + ".meta", io.BytesIO("\n".join(lines).encode("utf-8")))
        # Recordings themselves cannot be overwritten.
        with pytest.raises(ftplib.error_perm):
            f.storbinary("STOR " + name, io.BytesIO(b"x"))
    listed = sim.web_cmd("movielist?dirname=" + urllib.parse.quote(directory + "/", safe="")).xml()
    movie = next(m for m in listed if m.findtext("e2filename") == rec["path"])
    assert movie.findtext("e2tags") == "Krimi Lieblinge"
    # The edit belongs to this run: another simulator still has the original.
    other = E2Sim()
    try:
        listed = other.web_cmd("movielist?dirname=" + urllib.parse.quote(directory + "/", safe="")).xml()
        movie = next(m for m in listed if m.findtext("e2filename") == rec["path"])
        assert movie.findtext("e2tags") == rec["tags"]
    finally:
        other.stop()


def test_ftp_rejects_wrong_password(sim):
    f = ftplib.FTP()
    f.connect("127.0.0.1", sim.ftp, timeout=20)
    with pytest.raises(ftplib.error_perm):
        f.login(USER, "wrong")
    f.close()


def test_grab_answers_an_image(sim):
    for query, magic in (("/grab?n=&p=&r=720&o=", (b"\xff\xd8", b"\x89PNG")),
                         ("/grab?format=png", (b"\x89PNG",))):
        a = sim.get(query)
        assert a.status == 200 and a.headers["Content-Type"].startswith("image/")
        assert a.body.startswith(magic)
    assert sim.get("/grab?n=", auth=None).status == 401


def test_notify_sends_a_growl_packet():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        s.settimeout(10)
        port = s.getsockname()[1]
        subprocess.run([E2SIM, "notify", "--port", str(port), "--title", "Box", "--text",
                        "Aufnahme läuft"], check=True, timeout=30)
        data = s.recv(2048)
    _, kind, _, ln, lt, ld, la = struct.unpack(">BBHHHHH", data[:12])
    assert kind == 1
    assert data[12 + ln:12 + ln + lt] == b"Box"
    assert data[12 + ln + lt:12 + ln + lt + ld].decode("utf-8") == "Aufnahme läuft"
    assert len(data) == 12 + ln + lt + ld + la + 16


def test_stops_cleanly_with_its_ftp_child():
    s = E2Sim()
    ftp_port = s.ftp
    children = subprocess.run(["pgrep", "-P", str(s.proc.pid)], capture_output=True, text=True)
    child_pids = [int(p) for p in children.stdout.split()]
    assert child_pids
    s.proc.send_signal(signal.SIGINT)
    assert s.proc.wait(10) == 0
    for pid in child_pids:
        assert not os.path.exists("/proc/%d" % pid) or \
            open("/proc/%d/stat" % pid).read().split()[2] == "Z"
    with pytest.raises(OSError):
        socket.create_connection(("127.0.0.1", ftp_port), timeout=2).close()
