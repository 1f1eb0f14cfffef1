"""The receiver's "/web/<command>" answers, built from the data set and the
state. Each handler takes (sim, query) and returns the XML body as bytes.

`query` is a Query: plain parameters decoded like a form, plus the raw query
for commands whose references are sent unescaped (bouquet and provider
references contain blanks, quotes, "==", "&&" and "||")."""

import time
from urllib.parse import unquote, unquote_to_bytes

from xmlout import E, document, simple_result

WEBIF_VERSION = "1.7.4"
DEVICE_NAME = "dm900"


class Query:
    def __init__(self, raw):
        self.raw = raw or ""
        self.params = {}
        for part in self.raw.split("&"):
            if not part:
                continue
            name, _, value = part.partition("=")
            self.params.setdefault(unquote(name), []).append(value)

    def get(self, name, default=None):
        v = self.params.get(name)
        if not v:
            return default
        # Form decoding as the receiver's web server does it: "+" is a blank.
        return decode(v[0].replace("+", " "))

    def int(self, name, default=0):
        v = self.get(name)
        try:
            return int(v.strip())
        except (AttributeError, ValueError):
            return default

    def tail(self, name, stop=None):
        """Everything after "name=" up to the last "&stop=" (or the end),
        percent-decoded: the form callers use for unescaped references."""
        raw = self.raw
        key = name + "="
        if not raw.startswith(key):
            i = raw.find("&" + key)
            if i < 0:
                return None
            raw = raw[i + 1:]
        value = raw[len(key):]
        if stop:
            j = value.rfind("&" + stop + "=")
            if j >= 0:
                value = value[:j]
        return decode(value)


def decode(value):
    """Percent-decoding that accepts UTF-8 and, failing that, Latin-1 (the
    8-bit code page some callers use). '+' stays '+': receivers do the same
    for references."""
    raw = unquote_to_bytes(value)
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("latin-1")


def _ev(e, s=None, now=None):
    """One e2event; a service without EPG gets the "None" texts real boxes send."""
    now = int(time.time()) if now is None else now
    if e is None:
        return E("e2event",
                 e2eventid="None", e2eventstart="None", e2eventduration="None",
                 e2eventcurrenttime=now, e2eventtitle="None", e2eventdescription="None",
                 e2eventdescriptionextended="None",
                 e2eventservicereference=s.ref if s else "",
                 e2eventservicename=s.name if s else "")
    return E("e2event",
             e2eventid=e.id, e2eventstart=e.start, e2eventduration=e.duration,
             e2eventcurrenttime=now, e2eventtitle=e.title, e2eventdescription=e.description,
             e2eventdescriptionextended=e.description_extended,
             e2eventservicereference=e.service_ref, e2eventservicename=e.service_name)


# -- state queries -------------------------------------------------------------

def deviceinfo(sim, q):
    return document(E(
        "e2deviceinfo",
        E("e2enigmaversion", "2026-10-02"),
        E("e2imageversion", "Dreambox OS 2.6 \"Mörser\""),
        E("e2webifversion", WEBIF_VERSION),
        E("e2fpversion", "None"),
        E("e2devicename", DEVICE_NAME),
        E("e2frontends", [
            E("e2frontend", e2name="Tuner A", e2model="DVB-S2X NIM(45308X FBC)"),
            E("e2frontend", e2name="Tuner B", e2model="DVB-C/T2 NIM (Si2169)"),
        ]),
        E("e2network", [
            E("e2interface", e2name="eth0", e2mac="00:09:34:2a:7f:11", e2ip="127.0.0.1"),
        ]),
        E("e2hdds", [
            E("e2hdd", e2model="WDC WD20SPZX-22UA7T0", e2capacity="1.863 TB", e2free="1.211 TB"),
        ]),
    ))


def powerstate(sim, q):
    st = sim.state
    new = q.int("newstate", -1)
    with st.lock:
        if q.get("newstate") is not None:
            st.powerstates.append(new)
        if new == 0:
            st.standby = not st.standby
        elif new == 4:
            st.standby = False
        elif new == 5:
            st.standby = True
        standby = st.standby
    return document(E("e2powerstate", E("e2instandby", "true" if standby else "false")))


def getcurrent(sim, q):
    st = sim.state
    with st.lock:
        ref = st.current
        track = st.audio_track.get(ref)
    s = sim.dataset.find_service(ref)
    now_e, next_e = sim.dataset.now_next(ref) if s else (None, None)
    name = s.name if s else "N/A"
    apid = track if track is not None else (s.audio_pids[0][0] if s and s.audio_pids else -1)
    return document(E(
        "e2currentserviceinformation",
        E("e2service", [
            ("e2servicereference", ref if s else "N/A"),
            ("e2servicename", name),
            ("e2serviceprovider", s.provider if s else "N/A"),
            ("e2videowidth", 1920 if s and s.hd else (720 if s and s.kind == "tv" else "N/A")),
            ("e2videoheight", 1080 if s and s.hd else (576 if s and s.kind == "tv" else "N/A")),
            ("e2servicevideosize", "1920x1080" if s and s.hd else "720x576"),
            ("e2iswidescreen", 1),
            ("e2apid", apid),
            ("e2vpid", s.video_pid if s and s.video_pid else -1),
            ("e2pcrpid", s.video_pid or (s.audio_pids[0][0] if s else -1) if s else -1),
            ("e2pmtpid", s.pmt_pid if s else -1),
            ("e2txtpid", s.teletext_pid if s and s.teletext_pid else "N/A"),
            ("e2tsid", int(ref.split(":")[4], 16) if s else -1),
            ("e2onid", int(ref.split(":")[5], 16) if s else -1),
            ("e2sid", s.sid if s else -1),
        ]),
        E("e2eventlist", [_ev(now_e, s), _ev(next_e, s)] if s else []),
    ))


def _bouquet_xml(b):
    entries = []
    for x in b.entries:
        entries.append(E("e2service", e2servicereference=x.ref, e2servicename=x.name))
    return E("e2bouquet", [("e2servicereference", b.ref), ("e2servicename", b.name),
                           ("e2servicelist", entries)])


def _lists_for(sim, sref):
    """The bouquet lists a getallservices reference asks for."""
    d = sim.dataset
    flat = "".join((sref or "").split())
    radio = flat.startswith("1:7:2:") or "(type==2)" in flat and "(type==1)" not in flat
    if "FROMPROVIDERS" in flat:
        return d.radio_providers if radio else d.tv_providers
    if '"bouquets.radio"' in flat:
        return d.radio_bouquets
    if '"bouquets.tv"' in flat:
        return d.tv_bouquets
    b = d.find_bouquet(sref)
    return [b] if b else []


def getallservices(sim, q):
    sref = q.tail("sRef")
    return document(E("e2servicelistrecursive", [_bouquet_xml(b) for b in _lists_for(sim, sref)]))


def getservices(sim, q):
    sref = q.tail("sRef")
    lists = _lists_for(sim, sref) if sref else sim.dataset.tv_bouquets
    if sref and len(lists) == 1 and "bouquets." not in sref:
        items = [E("e2service", e2servicereference=x.ref, e2servicename=x.name)
                 for x in lists[0].entries]
    else:
        items = [E("e2service", e2servicereference=b.ref, e2servicename=b.name) for b in lists]
    return document(E("e2servicelist", items))


def _now_next_one(sim, q, which):
    ref = q.get("sRef", "")
    s = sim.dataset.find_service(ref)
    if s is None:
        return document(E("e2eventlist", []))
    pair = sim.dataset.now_next(ref)
    return document(E("e2eventlist", [_ev(pair[which], s)]))


def epgservicenow(sim, q):
    return _now_next_one(sim, q, 0)


def epgservicenext(sim, q):
    return _now_next_one(sim, q, 1)


def epgservice(sim, q):
    ref = q.get("sRef", "")
    now = int(time.time())
    t0 = q.int("time", 0)
    evs = [e for e in sim.dataset.events(ref) if e.end > (t0 or now)]
    return document(E("e2eventlist", [_ev(e, now=now) for e in evs]))


def _bouquet_epg(sim, q, pick):
    bref = q.tail("bRef", stop="time")
    b = sim.dataset.find_bouquet(bref)
    if b is None:
        return document(E("e2eventlist", []))
    at = q.int("time", 0) if q.get("time") else 0
    out = []
    for s in b.services:
        ev = pick(s, at or int(time.time()))
        out.append(_ev(ev, s))
    return document(E("e2eventlist", out))


def epgnow(sim, q):
    return _bouquet_epg(sim, q, lambda s, t: sim.dataset.now_next(s.ref, t)[0])


def epgnext(sim, q):
    return _bouquet_epg(sim, q, lambda s, t: sim.dataset.now_next(s.ref, t)[1])


def epgbouquet(sim, q):
    return _bouquet_epg(sim, q, lambda s, t: sim.dataset.now_next(s.ref, t)[0])


MAX_SEARCH_RESULTS = 500


def epgsearch(sim, q):
    needle = (q.get("search") or "").strip().casefold()
    out = []
    if needle:
        now = int(time.time())
        services = sim.dataset.tv_services[:300] + sim.dataset.radio_services[:50]
        for s in services:
            for e in sim.dataset.events(s.ref):
                if e.end > now and needle in e.title.casefold():
                    out.append(e)
        out.sort(key=lambda e: (e.start, e.service_name))
        out = out[:MAX_SEARCH_RESULTS]
    return document(E("e2eventlist", [_ev(e) for e in out]))


def epgsimilar(sim, q):
    ref = q.get("sRef", "")
    e0 = sim.dataset.event_by_id(ref, q.int("eventid", -1))
    out = []
    if e0 is not None:
        for s in sim.dataset.tv_services[:200]:
            for e in sim.dataset.events(s.ref):
                if e.title == e0.title and e.start > e0.start and e is not e0:
                    out.append(e)
                    break
            if len(out) >= 10:
                break
    return document(E("e2eventlist", [_ev(e) for e in out]))


LANG_NAMES = {"deu": "Deutsch", "eng": "English", "fra": "Français"}
CODEC_LABELS = {"ac3": "Dolby Digital (%s)", "eac3": "Dolby Digital+ (%s)",
                "eac3-87": "Dolby Digital+ (%s)", "aac": "AAC (%s)", "latm": "AAC-HE (%s)"}


def getaudiotracks(sim, q):
    st = sim.state
    with st.lock:
        ref = st.current
        chosen = st.audio_track.get(ref)
    s = sim.dataset.find_service(ref)
    tracks = []
    if s:
        for i, (pid, lang, codec) in enumerate(s.audio_pids):
            active = pid == chosen if chosen is not None else i == 0
            desc = LANG_NAMES.get(lang, lang)
            desc = CODEC_LABELS.get(codec, "%s") % desc
            tracks.append(E("e2audiotrack", e2audiotrackdescription=desc, e2audiotrackid=i,
                            e2audiotrackpid=pid, e2audiotrackactive=active))
    return document(E("e2audiotracklist", tracks))


def selectaudiotrack(sim, q):
    st = sim.state
    i = q.int("id", -1)
    with st.lock:
        s = sim.dataset.find_service(st.current)
        if s is None or not 0 <= i < len(s.audio_pids):
            return simple_result(False, "Error: no such audio track %d" % i)
        st.audio_track[st.current] = s.audio_pids[i][0]
    return simple_result(True, "Success! Audio track changed to %d" % i)


def streamsubservices(sim, q):
    ref = q.get("sRef", "")
    s = sim.dataset.find_service(ref)
    items = []
    if s is not None:
        items.append(E("e2service", e2servicereference=s.ref, e2servicename=s.name))
        for sub in s.subservices:
            # Option channel names carry the DVB emphasis codes as on air.
            name = "\u0086%s\u0087" % sim.dataset.subservice_name(sub)
            items.append(E("e2service", e2servicereference=sub, e2servicename=name))
    return document(E("e2servicelist", items))


def serviceplayable(sim, q):
    ref = q.get("sRef", "")
    ok = sim.dataset.find_service(ref) is not None
    with sim.state.lock:
        if sim.state.faults.get("serviceplayable") in ("False", "false", "0"):
            ok = False
    return document(E("e2serviceplayable", e2servicereference=ref, e2isplayable=ok))


def zap(sim, q):
    ref = q.get("sRef", "")
    s = sim.dataset.find_service(ref)
    if s is None:
        return simple_result(False, "Service not found")
    st = sim.state
    with st.lock:
        st.current = s.ref
        st.zaps.append(s.ref)
    st.zapped(s)
    return simple_result(True, "Active service is now '%s'" % s.name)


# -- recordings ---------------------------------------------------------------

def getlocations(sim, q):
    return document(E("e2locations", [("e2location", loc) for loc in sim.dataset.locations]))


def movielist(sim, q):
    dirname = q.get("dirname") or "/hdd/movie/"
    if not dirname.endswith("/"):
        dirname += "/"
    with sim.state.lock:
        recs = [r for r in sim.state.recordings if r.location == dirname]
    movies = []
    for r in recs:
        movies.append(E("e2movie", [
            ("e2servicereference", r.ref),
            ("e2title", r.title),
            ("e2description", r.description),
            ("e2descriptionextended", r.description_extended),
            ("e2servicename", r.service_name),
            ("e2time", r.begin),
            ("e2length", "%d" % (r.duration_s // 60)),
            ("e2tags", sim.files.tags_of(r)),
            ("e2filename", r.path),
            ("e2filesize", sim.files.size_of(r)),
        ]))
    return document(E("e2movielist", movies))


def moviedelete(sim, q):
    ref = q.get("sRef", "")
    st = sim.state
    with st.lock:
        r = next((r for r in st.recordings if r.ref == ref or r.path == ref), None)
        if r is None:
            return simple_result(False, "Could not delete Movie '%s'" % ref)
        st.recordings.remove(r)
    sim.files.deleted(r)
    return simple_result(True, "The movie '%s' has been deleted successfully" % r.title)


# -- timers ---------------------------------------------------------------------

def gettags(sim, q):
    return document(E("e2tags", [("e2tag", t) for t in sim.dataset.tags]))


def _timer_xml(t):
    return E("e2timer", [
        ("e2servicereference", t.service_ref),
        ("e2servicename", t.service_name),
        ("e2eit", t.eit),
        ("e2name", t.name),
        ("e2description", t.description),
        ("e2descriptionextended", ""),
        ("e2disabled", t.disabled),
        ("e2timebegin", t.begin),
        ("e2timeend", t.end),
        ("e2duration", t.end - t.begin),
        ("e2startprepare", t.begin - 20),
        ("e2justplay", t.justplay),
        ("e2afterevent", t.afterevent),
        ("e2location", t.dirname),
        ("e2tags", t.tags),
        ("e2logentries", ""),
        ("e2filename", ""),
        ("e2backoff", 0),
        ("e2nextactivation", ""),
        ("e2firsttryprepare", "True"),
        ("e2state", t.state),
        ("e2repeated", t.repeated),
        ("e2dontsave", 0),
        ("e2cancled", "False"),
    ])


def timerlist(sim, q):
    with sim.state.lock:
        timers = sorted(sim.state.timers, key=lambda t: t.begin)
        return document(E("e2timerlist", [_timer_xml(t) for t in timers]))


def _find_timer(st, ref, begin, end):
    want = sim_key(ref)
    for t in st.timers:
        if sim_key(t.service_ref) == want and t.begin == begin and t.end == end:
            return t
    return None


def sim_key(ref):
    from dataset import normalize_ref
    return normalize_ref(ref)


def timerdelete(sim, q):
    st = sim.state
    with st.lock:
        t = _find_timer(st, q.get("sRef", ""), q.int("begin", -1), q.int("end", -1))
        if t is None:
            return simple_result(False, "No matching Timer found")
        st.timers.remove(t)
    return simple_result(True, "The timer '%s' has been deleted successfully" % t.name)


def timerchange(sim, q):
    from dataset import Timer
    st = sim.state
    ref = q.get("sRef", "")
    s = sim.dataset.find_service(ref)
    begin, end = q.int("begin", -1), q.int("end", -1)
    if s is None:
        return simple_result(False, "Service not found")
    if begin <= 0 or end <= begin:
        return simple_result(False, "Invalid begin or end")
    with st.lock:
        old = _find_timer(st, q.get("channelOld", ""), q.int("beginOld", -1), q.int("endOld", -1))
        if old is None:
            return simple_result(False, "Could not find timer '%s' with given start and end time!"
                                 % q.get("name", ""))
        t = Timer(service_ref=s.ref, service_name=s.name,
                  name=q.get("name", old.name), description=q.get("description", old.description),
                  begin=begin, end=end, eit=q.int("eit", old.eit),
                  disabled=1 if q.int("disabled", 0) else 0, justplay=1 if q.int("justplay", 0) else 0,
                  afterevent=q.int("afterevent", old.afterevent), repeated=q.int("repeated", 0),
                  dirname=q.get("dirname", old.dirname), tags=q.get("tags", old.tags),
                  state=old.state if (begin, end) == (old.begin, old.end) else 0)
        other = _find_timer(st, t.service_ref, begin, end)
        if other is not None and other is not old:
            return simple_result(False, "Conflicting Timer(s) detected! %s" % other.name)
        st.timers[st.timers.index(old)] = t
    return simple_result(True, "Timer '%s' changed" % t.name)


def timeraddbyeventid(sim, q):
    from dataset import Timer
    st = sim.state
    ref = q.get("sRef", "")
    s = sim.dataset.find_service(ref)
    e = sim.dataset.event_by_id(ref, q.int("eventid", -1)) if s else None
    if e is None:
        return simple_result(False, "EventId not found")
    t = Timer(service_ref=s.ref, service_name=s.name, name=e.title, description=e.description,
              begin=e.start, end=e.end, eit=e.id, justplay=1 if q.int("justplay", 0) else 0,
              dirname=q.get("dirname") or "/hdd/movie/", tags=q.get("tags", ""))
    with st.lock:
        if _find_timer(st, t.service_ref, t.begin, t.end) is not None:
            return simple_result(False, "Conflicting Timer(s) detected! %s" % t.name)
        st.timers.append(t)
    return simple_result(True, "Timer '%s' added" % t.name)


def timercleanup(sim, q):
    st = sim.state
    with st.lock:
        st.timers = [t for t in st.timers if t.state != 3]
    return simple_result(True, "List of Timers has been cleaned")


# -- remote, signal, messages --------------------------------------------------

def signal(sim, q):
    return document(E("e2frontendstatus", e2snrdb="13.45 dB", e2snr="87 %", e2ber="0",
                      e2acg="95 %"))


KEY_POWER = 116


def remotecontrol(sim, q):
    code = q.int("command", -1)
    if code < 0:
        return document(E("e2remotecontrol", e2result=False, e2resulttext="No command given"))
    st = sim.state
    with st.lock:
        st.keys.append(code)
        if code == KEY_POWER and q.get("type") != "long":
            st.standby = not st.standby
    return document(E("e2remotecontrol", e2result=True,
                      e2resulttext="RC command '%d' has been issued" % code))


def message(sim, q):
    txt = q.get("text")
    mtype = q.int("type", -1)
    if not txt or not 0 <= mtype <= 3:
        return simple_result(False, "Error: text or type missing")
    with sim.state.lock:
        sim.state.messages.append(txt)
    return simple_result(True, "Message sent successfully!")


COMMANDS = {fn.__name__: fn for fn in (
    deviceinfo, powerstate, getcurrent, getallservices, getservices, epgservicenow,
    epgservicenext, epgservice, epgnow, epgnext, epgbouquet, epgsearch, epgsimilar,
    getaudiotracks, selectaudiotrack, streamsubservices, serviceplayable, zap, getlocations,
    movielist, moviedelete, gettags, timerlist, timerdelete, timerchange, timeraddbyeventid,
    timercleanup, signal, remotecontrol, message)}
