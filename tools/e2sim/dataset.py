"""Deterministic receiver data set of the e2sim simulator.

Everything here is generated from one seed (random.Random(seed)), so two runs
with the same seed serve the same bouquets, services, recordings and timers.
EPG events are generated lazily per service and day window, so even the large
set starts quickly.

Names other modules rely on (keep them stable):

Service    -- ref, name, sid (int, from the 4th ref field), kind 'tv'|'radio',
              hd, ac3, teletext, subtitles (bools), video_pid (int or None for
              radio), audio_pids [(pid, lang, codec)], teletext_pid,
              subtitle_pid (int or None), provider, subservices (list of refs,
              only on one channel), pmt_pid; for the stream kinds of the
              "Technik" bouquet also video_codec, teletext_lang, scrambled,
              pmt_pcr_pid, pmt_change_s, pmt_optional_pids.
Recording  -- path (receiver path, e.g. "/hdd/movie/20261207 2015 - Das Erste
              HD - Tatort.ts"), ref ("1:0:0:0:0:0:0:0:0:0:" + path),
              service_ref, service_name, title, description,
              description_extended, begin (epoch s), duration_s, size (bytes),
              tags (space separated text), location (directory with "/").
Timer      -- see the class.
Event      -- one EPG event (id, start, duration, title, description,
              description_extended, service_ref, service_name).
Dataset    -- services (all, in creation order), tv_services, radio_services,
              tv_bouquets / radio_bouquets / tv_providers / radio_providers
              (lists of Bouquet(name, ref, entries); an entry is a Service or a
              Marker), locations, recordings, timers, find_service(ref),
              find_recording(ref_or_path), events(ref), event_by_id(ref, id),
              now_next(ref, t).

PIDs are the same on every service (like many real multiplexes re-use them):
PMT_PID, VIDEO_PID, AUDIO_PID_MP2, AUDIO_PID_AC3, TELETEXT_PID, SUBTITLE_PID.

The "Technik" TV bouquet (appended after everything seeded, so the seeded data
stays as it was) holds one service per stream kind a client must cope with:
E-AC-3, AAC (LATM and ADTS), HEVC, a scrambled one, one without PCR packets and
one whose PMT changes; their references are fixed (TECHNIK_SERVICES).
Audio codecs: 'mp2', 'ac3', 'eac3' (DVB: private data with descriptor 0x7A),
'eac3-87' (stream type 0x87), 'aac' (ADTS), 'latm' (AAC in LOAS/LATM).
"""

import random
import time
from dataclasses import dataclass, field
from typing import List, Optional, Tuple

PMT_PID = 0x64
PCR_PID = 0x100
VIDEO_PID = 0x100
AUDIO_PID_MP2 = 0x101
AUDIO_PID_AC3 = 0x102
TELETEXT_PID = 0x103
SUBTITLE_PID = 0x104

HD_TYPE = 0x19
SD_TYPE = 0x1
RADIO_TYPE = 0x2


@dataclass
class Service:
    ref: str
    name: str
    sid: int
    kind: str  # 'tv' | 'radio'
    hd: bool = False
    ac3: bool = False
    teletext: bool = False
    subtitles: bool = False
    video_pid: Optional[int] = None
    audio_pids: List[Tuple[int, str, str]] = field(default_factory=list)
    teletext_pid: Optional[int] = None
    subtitle_pid: Optional[int] = None
    pmt_pid: int = PMT_PID
    provider: str = ""
    subservices: List[str] = field(default_factory=list)
    index: int = 0
    has_epg: bool = True
    # Stream make-up beyond the household channels (the "Technik" bouquet).
    video_codec: str = ""  # "" = by service type: H.264 for "1:0:19", else MPEG-2
    teletext_lang: str = "deu"
    scrambled: bool = False
    pmt_pcr_pid: Optional[int] = None  # announced PCR PID when it is not the real one
    pmt_change_s: int = 0  # the PMT is re-announced with a new version this often
    pmt_optional_pids: List[int] = field(default_factory=list)  # in every other version


@dataclass
class Marker:
    ref: str
    name: str


@dataclass
class Bouquet:
    name: str
    ref: str
    entries: list  # Service | Marker

    @property
    def services(self):
        return [e for e in self.entries if isinstance(e, Service)]


@dataclass
class Event:
    id: int
    start: int
    duration: int
    title: str
    description: str
    description_extended: str
    service_ref: str
    service_name: str

    @property
    def end(self):
        return self.start + self.duration


@dataclass
class Recording:
    path: str
    service_ref: str
    service_name: str
    title: str
    description: str
    description_extended: str
    begin: int
    duration_s: int
    size: int
    tags: str
    location: str

    @property
    def ref(self):
        return "1:0:0:0:0:0:0:0:0:0:" + self.path

    @property
    def filename(self):
        return self.path


@dataclass
class Timer:
    service_ref: str
    service_name: str
    name: str
    description: str
    begin: int
    end: int
    eit: int = 0
    disabled: int = 0
    justplay: int = 0
    afterevent: int = 3
    repeated: int = 0
    dirname: str = "/hdd/movie/"
    tags: str = ""
    state: int = 0  # 0 waiting, 2 running, 3 finished

    def key(self):
        return (self.service_ref, self.begin, self.end)


TV_NAMES = [
    "Das Erste HD", "ZDF HD", "3sat HD", "arte HD", "KiKA HD", "phoenix HD",
    "ZDFneo HD", "ZDFinfo HD", "tagesschau24 HD", "ONE HD", "BR Fernsehen Süd HD",
    "BR Fernsehen Nord HD", "hr-fernsehen HD", "MDR Sachsen HD", "NDR FS NDS HD",
    "NDR FS HH HD", "rbb Berlin HD", "SR Fernsehen HD", "SWR BW HD", "WDR HD Köln",
    "RTL Television", "SAT.1", "ProSieben", "VOX", "kabel eins", "RTLZWEI",
    "SUPER RTL", "n-tv", "WELT", "Tele 5", "DMAX", "SPORT1", "sixx", "ProSieben MAXX",
    "Nitro", "RTLup", "Disney Channel", "Comedy Central", "Bibel TV", "QVC",
    "HSE", "1-2-3.tv", "Juwelo", "ORF1 HD", "ORF2 HD", "ServusTV HD Österreich",
    "SRF 1 HD", "SRF zwei HD", "Eurosport 1", "Sport & Spaß TV", "Münchner Kanal",
    "Lokal-TV \"Rhein-Main\"", "Kirche & Welt", "Hamburg 1", "Düsseldorf TV",
    "Schöner Wohnen TV", "Fußball-Regional", "Anixe HD Serie", "Deluxe Music",
    "MTV Germany", "Euronews", "CNN Int.", "BBC World", "France 24", "TV5Monde",
    "Rai 1", "TVE Internacional", "TRT 1", "Al Jazeera", "NHK World",
]
RADIO_NAMES = [
    "Bayern 1", "Bayern 2", "BR-KLASSIK", "B5 aktuell", "hr1", "hr2", "hr3",
    "hr4", "You FM", "MDR Kultur", "MDR JUMP", "NDR 2", "NDR Kultur", "NDR Info",
    "N-JOY", "Radio Bremen Zwei", "radioeins", "Fritz", "SWR1 BW", "SWR2",
    "SWR3", "WDR 2", "WDR 3", "WDR 4", "1LIVE", "Deutschlandfunk",
    "Deutschlandfunk Kultur", "Dlf Nova", "Ö1", "Ö3", "FM4", "Radio Österreich 1",
    "SRF 1 Radio", "Klassik Radio", "Radio Bob!", "Schlager & Volksmusik",
    "Jazz \"Late Night\"", "Antenne Bayern", "Radio Hamburg", "Energy München",
]
TV_PROVIDERS = [
    "ARD", "ZDFvision", "ProSiebenSat.1", "CBC", "BetaDigital", "ORF",
    "SRG SSR", "Sky Deutschland", "Eutelsat", "MTV Networks", "Discovery",
    "Regional & Lokal", "Media Broadcast", "Globecast", "SES Astra",
]
RADIO_PROVIDERS = ["ARD", "Deutschlandradio", "ORF", "SRG SSR", "Private Radios"]
TV_BOUQUETS = [
    "Favoriten (TV)", "Öffentlich-Rechtliche", "Private", "Sport & Fußball",
    "Nachrichten", "Dokus \"Wissen\"", "Kinder & Familie", "Musik", "Regional",
    "HD-Sender",
]
TECHNIK_TSID = 0x3EF
TECHNIK_VIDEO_PID = 0x1A4
# (sid, name, video codec, audio tracks, extra fields)
TECHNIK_SERVICES = [
    (0x7001, "Technik E-AC-3 HD", "h264", [(0x1AE, "fra", "eac3"), (0x1AF, "deu", "mp2")],
     dict(teletext=True, teletext_pid=0x42C, teletext_lang="fra")),
    (0x7002, "Technik E-AC-3 0x87 HD", "h264", [(0x1AE, "deu", "eac3-87")], {}),
    (0x7003, "Technik AAC-LATM HD", "h264", [(0x1AE, "deu", "latm")], {}),
    (0x7004, "Technik AAC HD", "h264", [(0x1AE, "deu", "aac")], {}),
    (0x7005, "Technik HEVC HD", "hevc", [(0x1AE, "deu", "mp2")], {}),
    (0x7006, "Technik verschlüsselt HD", "h264", [(0x1AE, "deu", "mp2")], dict(scrambled=True)),
    (0x7007, "Technik ohne PCR HD", "h264", [(0x1AE, "deu", "mp2")], dict(pmt_pcr_pid=0x1FF0)),
    (0x7008, "Technik PMT-Wechsel", "mpeg2", [(0x1AE, "deu", "mp2"), (0x1AF, "eng", "mp2")],
     dict(hd=False, pmt_change_s=10, pmt_optional_pids=[0x1AF])),
]
RADIO_BOUQUETS = ["Favoriten (Radio)", "ARD-Hörfunk", "Klassik & Jazz", "Österreich & Schweiz"]

TITLES = [
    "Tagesschau", "Tatort", "heute journal", "Wetten, dass..?", "Sport & Spiel",
    "Der \"Alte\"", "Wer weiß denn sowas?", "Löwenzahn", "Die Sendung mit der Maus",
    "Terra X", "Markus Lanz", "Brisant", "Rote Rosen", "Sturm der Liebe",
    "Fußball: Bundesliga", "Tierärztin Dr. Mertens", "Großstadtrevier", "SOKO Köln",
    "Aktenzeichen XY … ungelöst", "Quarks & Co", "Küchenschlacht", "Börse vor acht",
    "Wetter", "Nachtmagazin", "Polizeiruf 110", "Hart aber fair", "Zoo-Geschichten",
    "Schätze der Welt", "Bares für Rares", "Die Rosenheim-Cops",
]
DESCRIPTIONS = [
    "Krimi, D 2024", "Nachrichten", "Show", "Dokumentation", "Magazin",
    "Serie, Folge 12", "Spielfilm, USA 1998", "Sport", "Kindersendung",
    "Reportage über Öl & Gas", "Talkshow mit Gästen",
]
LONG_TEXTS = [
    "Ein Fall führt die Kommissare in die Großstadt, wo ein Zeuge \"mehr weiß, als er sagt\".",
    "Aktuelle Berichte aus Politik, Wirtschaft & Kultur.",
    "Die Moderatorin begrüßt prominente Gäste; es geht um Würde, Mut und Ärger im Alltag.",
    "Eine Reise durch die Alpen: Gämsen, Gletscher und die Käserei am Fuß des Berges.",
    "Spannende Duelle <live> aus den Stadien der Republik.",
]
TAGS = ["Krimi", "Doku", "Film", "Serie", "Sport", "Kinder", "Krimi Serie", "Musik"]
LOCATIONS = ["/hdd/movie/", "/hdd/movie/Serien/", "/media/usb/movie/"]


def _ref(kind_type, sid, tsid, onid, ns):
    return "1:0:%X:%X:%X:%X:%X:0:0:0:" % (kind_type, sid, tsid, onid, ns)


def normalize_ref(ref):
    """Canonical key of a service reference: the first ten fields, upper
    case, without a trailing name part ("...:0:0:0::Name" or "...:0:0:0:Name")."""
    if ref is None:
        return ""
    ref = ref.strip()
    parts = ref.split(":")
    if len(parts) >= 10 and parts[0].isdigit():
        return ":".join(p.upper() for p in parts[:10]) + ":"
    return ref.upper()


def _bouquet_ref(filename, kind):
    return '1:7:%d:0:0:0:0:0:0:0:FROM BOUQUET "%s" ORDER BY bouquet' % (kind, filename)


def _provider_ref(name, kind):
    if kind == 1:
        types = "(type == 1) || (type == 17) || (type == 195) || (type == 25)"
    else:
        types = "(type == 2)"
    return '1:7:%d:0:0:0:0:0:0:0:(provider == "%s") && (%s) ORDER BY name' % (kind, name, types)


class Dataset:
    EPG_SPAN_DAYS = 7

    def __init__(self, seed=1, large=False):
        self.seed = seed
        self.large = large
        rng = random.Random(seed)
        self._rng = rng
        n_tv, n_radio = (9200, 800) if large else (1250, 180)
        n_tv_bouquets, n_radio_bouquets = (56, 4) if large else (10, 4)
        n_recordings = 2000 if large else 40
        self.events_per_service = 20 if large else None  # None: fill a week

        self.services = []
        self._by_ref = {}
        tsid = 0x3F0
        for i in range(n_tv + n_radio):
            radio = i >= n_tv
            if i % 12 == 0:
                tsid += 1
            sid = 0x2800 + i * 3 + rng.randrange(3)
            if radio:
                base = RADIO_NAMES[(i - n_tv) % len(RADIO_NAMES)]
                rep = (i - n_tv) // len(RADIO_NAMES)
            else:
                base = TV_NAMES[i % len(TV_NAMES)]
                rep = i // len(TV_NAMES)
            name = base if rep == 0 else "%s %d" % (base, rep + 1)
            hd = (not radio) and (" HD" in name or rng.random() < 0.2)
            stype = RADIO_TYPE if radio else (HD_TYPE if hd else SD_TYPE)
            onid = 1 if i % 5 else 0x85
            ref = _ref(stype, sid, tsid, onid, 0xC00000)
            s = Service(ref=ref, name=name, sid=sid, kind="radio" if radio else "tv", hd=hd,
                        index=i)
            s.audio_pids = [(AUDIO_PID_MP2, "deu", "mp2")]
            if not radio:
                s.video_pid = VIDEO_PID
                # Some SD channels carry AC-3 beside MP2 too, as on many real transponders.
                s.ac3 = hd and rng.random() < 0.6 or i in (0, 1) or i % 9 == 0
                if s.ac3:
                    s.audio_pids.append((AUDIO_PID_AC3, "deu" if i % 2 else "eng", "ac3"))
                s.teletext = i < 20 or rng.random() < 0.5
                if s.teletext:
                    s.teletext_pid = TELETEXT_PID
                s.subtitles = i == 1
                if s.subtitles:
                    s.subtitle_pid = SUBTITLE_PID
            s.has_epg = not (i % 37 == 36)
            self.services.append(s)
            self._by_ref[normalize_ref(ref)] = s
        self.tv_services = [s for s in self.services if s.kind == "tv"]
        self.radio_services = [s for s in self.services if s.kind == "radio"]

        # One sports channel carries option channels (sub-services).
        sport = self.tv_services[31 % len(self.tv_services)]
        for k in range(1, 4):
            sub = _ref(SD_TYPE, sport.sid + 0x1000 * k, 0x3FF, 1, 0xC00000)
            sport.subservices.append(sub)
        self.subservice_names = {sport.subservices[k - 1]: "%s Option %d" % (sport.name, k)
                                 for k in range(1, 4)}
        # Option channels stream like any channel but are listed in no bouquet.
        for k, sub in enumerate(sport.subservices):
            o = Service(ref=sub, name=self.subservice_names[sub], sid=int(sub.split(":")[3], 16),
                        kind="tv", video_pid=VIDEO_PID, audio_pids=[(AUDIO_PID_MP2, "deu", "mp2")],
                        index=len(self.services) + k, has_epg=False)
            self._by_ref[normalize_ref(sub)] = o

        # Providers: every service in one provider, some also in a second one.
        self.tv_providers = self._providers(TV_PROVIDERS, self.tv_services, 1, rng, 60 if large else 14)
        self.radio_providers = self._providers(RADIO_PROVIDERS, self.radio_services, 2, rng, 20)

        self.tv_bouquets = self._bouquets(TV_BOUQUETS, n_tv_bouquets, self.tv_services, "tv", 1, rng)
        self.radio_bouquets = self._bouquets(RADIO_BOUQUETS, n_radio_bouquets, self.radio_services,
                                             "radio", 2, rng)

        self.locations = list(LOCATIONS)
        self.recordings = self._recordings(n_recordings, rng)
        self.timers = self._timers(rng)
        self.tags = sorted({t for r in self.recordings for t in r.tags.split() if t} |
                           {"Aufnahme", "Wichtig"})
        self._epg_cache = {}
        self._add_technik()

    # -- construction helpers -------------------------------------------------

    def _add_technik(self):
        """The test services of the stream kinds; no random numbers are drawn,
        so everything seeded before stays the same."""
        entries = []
        for sid, name, vcodec, audio, extra in TECHNIK_SERVICES:
            ref = _ref(HD_TYPE, sid, TECHNIK_TSID, 1, 0xC00000)
            s = Service(ref=ref, name=name, sid=sid, kind="tv", hd=True,
                        video_pid=TECHNIK_VIDEO_PID, audio_pids=list(audio),
                        provider="Technik-Labor", index=len(self.services), video_codec=vcodec)
            for key, value in extra.items():
                setattr(s, key, value)
            self.services.append(s)
            self.tv_services.append(s)
            self._by_ref[normalize_ref(ref)] = s
            entries.append(s)
        ref = _bouquet_ref("userbouquet.technik.tv", 1)
        self.tv_bouquets.append(Bouquet("Technik", ref, entries))

    def _providers(self, names, services, kind, rng, second_share_pct):
        lists = {n: [] for n in names}
        for s in services:
            p = names[rng.randrange(len(names))]
            s.provider = p
            lists[p].append(s)
            if rng.randrange(100) < second_share_pct:
                q = names[rng.randrange(len(names))]
                if q != p:
                    lists[q].append(s)
        out = []
        for n in names:
            entries = sorted(lists[n], key=lambda s: s.name)
            out.append(Bouquet(n, _provider_ref(n, kind), entries))
        return out

    def _bouquets(self, names, count, services, ext, kind, rng):
        out = []
        for b in range(count):
            name = names[b] if b < len(names) else "Liste %d" % (b + 1)
            size = rng.randint(20, 120) if kind == 1 else rng.randint(15, 40)
            size = min(size, len(services))
            if b == 0:
                picked = services[:size]  # favourites start with the popular channels
            else:
                picked = rng.sample(services, size)
            entries = []
            marker_no = 0
            for j, s in enumerate(picked):
                if j % 15 == 0 and (j > 0 or b % 2 == 0):
                    marker_no += 1
                    entries.append(Marker("1:64:%d:0:0:0:0:0:0:0::" % marker_no,
                                          "--- Gruppe %d: %s ---" % (marker_no, s.name[:1])))
                entries.append(s)
            fname = "userbouquet.%s%d.%s" % ("fav" if b == 0 else "list", b, ext)
            out.append(Bouquet(name, _bouquet_ref(fname, kind), entries))
        return out

    def _recordings(self, count, rng):
        out = []
        day0 = 1765000000  # a fixed date (December 2025); recordings do not move with the clock
        tv = self.tv_services[:60]
        for i in range(count):
            s = tv[rng.randrange(len(tv))]
            title = TITLES[rng.randrange(len(TITLES))]
            begin = day0 - rng.randrange(0, 400) * 86400 + rng.randrange(0, 96) * 900
            duration = rng.choice([15, 30, 45, 60, 90, 105, 120]) * 60
            lt = time.gmtime(begin)
            loc = LOCATIONS[i % 3]
            fname = "%04d%02d%02d %02d%02d - %s - %s.ts" % (
                lt.tm_year, lt.tm_mon, lt.tm_mday, lt.tm_hour, lt.tm_min,
                s.name.replace("/", "_"), title.replace("/", "_"))
            if count > 40 and i >= 40:
                fname = fname[:-3] + " (%d).ts" % i
            tags = "" if i % 5 == 4 else TAGS[rng.randrange(len(TAGS))]
            out.append(Recording(
                path=loc + fname, service_ref=s.ref, service_name=s.name, title=title,
                description=DESCRIPTIONS[rng.randrange(len(DESCRIPTIONS))],
                description_extended=LONG_TEXTS[rng.randrange(len(LONG_TEXTS))],
                begin=begin, duration_s=duration,
                size=duration * 600000 + rng.randrange(1000000), tags=tags, location=loc))
        # Unique paths: the same minute on the same channel can repeat.
        seen = set()
        for r in out:
            while r.path in seen:
                r.path = r.path[:-3] + "_.ts"
            seen.add(r.path)
        return out

    def _timers(self, rng):
        now = int(time.time())
        today = now - now % 86400
        out = []
        tv = self.tv_services
        specs = [
            # (service idx, day offset, hour, minutes, justplay, disabled, repeated, state)
            (0, 0, 20, 90, 0, 0, 0, 0),
            (1, 1, 21, 45, 0, 0, 0, 0),
            (2, 0, 19, 15, 1, 0, 0, 0),       # zap timer
            (3, 0, 18, 30, 0, 0, 31, 0),      # Mon..Fri
            (4, 2, 22, 60, 0, 1, 0, 0),       # disabled
            (5, -1, 20, 60, 0, 0, 0, 3),      # finished, removed by cleanup
            (6, -2, 12, 30, 1, 0, 0, 3),      # finished zap timer
            (7, 3, 6, 30, 0, 0, 127, 0),      # every day
        ]
        for k, (si, d, h, m, jp, dis, rep, st) in enumerate(specs):
            s = tv[si % len(tv)]
            begin = today + d * 86400 + h * 3600
            out.append(Timer(service_ref=s.ref, service_name=s.name,
                             name=TITLES[(k * 7) % len(TITLES)],
                             description=DESCRIPTIONS[k % len(DESCRIPTIONS)],
                             begin=begin, end=begin + m * 60, eit=1000 + k,
                             disabled=dis, justplay=jp, repeated=rep, state=st,
                             tags="Aufnahme" if k % 3 == 0 else ""))
        # One timer records right now (state 2, "running").
        s = tv[8 % len(tv)]
        begin = now - now % 60 - 1800
        out.append(Timer(service_ref=s.ref, service_name=s.name, name="Live: Fußball & Mehr",
                         description="Sport", begin=begin, end=begin + 7200, eit=2000, state=2))
        return out

    # -- look-ups --------------------------------------------------------------

    def find_service(self, ref):
        """The service of a reference, with or without a trailing name part,
        hex in any case; None if unknown."""
        return self._by_ref.get(normalize_ref(ref))

    def find_recording(self, ref_or_path):
        if not ref_or_path:
            return None
        p = ref_or_path
        i = p.find("/")
        if i > 0:
            p = p[i:]
        for r in self.recordings:
            if r.path == p:
                return r
        return None

    def subservice_name(self, ref):
        return self.subservice_names.get(ref)

    # -- EPG ----------------------------------------------------------------------

    def _epg_window_start(self, now=None):
        now = int(time.time()) if now is None else int(now)
        if self.events_per_service:
            # About a day of events per service: start a few hours back so
            # that now/next and the coming evening are always inside.
            hour = now - now % 3600
            return hour - 4 * 3600
        day = now - now % 86400
        return day - 86400  # yesterday 00:00 UTC: now/next always inside

    def events(self, ref, now=None):
        """EPG events of a service, generated on first use and cached for the
        day window; [] for unknown services and services without EPG."""
        s = self.find_service(ref)
        if s is None or not s.has_epg:
            return []
        start = self._epg_window_start(now)
        key = (s.index, start)
        ev = self._epg_cache.get(key)
        if ev is not None:
            return ev
        rng = random.Random("%s:%d:%d" % (self.seed, s.index, start))
        ev = []
        t = start
        eid = (s.index * 523 + start // 86400 * 97) % 0xF000 + 1
        if self.events_per_service:
            end = None
            limit = self.events_per_service
        else:
            end = start + self.EPG_SPAN_DAYS * 86400
            limit = 10 ** 6
        while len(ev) < limit and (end is None or t < end):
            dur = rng.choice([5, 15, 25, 30, 45, 60, 90, 105, 120]) * 60
            ti = rng.randrange(len(TITLES))
            ev.append(Event(id=eid, start=t, duration=dur, title=TITLES[ti],
                            description=DESCRIPTIONS[rng.randrange(len(DESCRIPTIONS))],
                            description_extended=LONG_TEXTS[rng.randrange(len(LONG_TEXTS))],
                            service_ref=s.ref, service_name=s.name))
            t += dur
            eid = eid % 0xFFFF + 1
        if len(self._epg_cache) > 4000:
            self._epg_cache.clear()
        self._epg_cache[key] = ev
        return ev

    def event_by_id(self, ref, event_id, now=None):
        for e in self.events(ref, now):
            if e.id == event_id:
                return e
        return None

    def now_next(self, ref, now=None):
        """(now_event, next_event) at time `now`; either may be None."""
        now = int(time.time()) if now is None else int(now)
        ev = self.events(ref, now)
        for i, e in enumerate(ev):
            if e.start <= now < e.end:
                return e, (ev[i + 1] if i + 1 < len(ev) else None)
        return None, None

    def all_bouquets(self):
        return self.tv_bouquets + self.radio_bouquets + self.tv_providers + self.radio_providers

    def find_bouquet(self, ref):
        if not ref:
            return None
        key = ref.replace("%20", " ").strip()
        for b in self.all_bouquets():
            if b.ref == key:
                return b
        return None
