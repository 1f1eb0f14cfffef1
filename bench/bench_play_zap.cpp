// Zap speed and memory of the full program against the simulator: runs the GUI
// scenario "bench-zap" under a private X server (30 warm-up zaps, then 300 zaps in
// turn to an SD and an HD service, each with and without teletext; TESSARO_BENCH_ZAPS
// sets the number) and passes on its one line, medians per kind of service of the time
// from the zap to the first decoded picture at the video sink and to PLAYING, and the
// resident size after 50, 100 and 300 zaps (-1 when not reached):
//   play sd_first_ms=<n> sd_playing_ms=<n> sd_ttx_first_ms=<n> sd_ttx_playing_ms=<n>
//   hd_first_ms=<n> hd_playing_ms=<n> hd_ttx_first_ms=<n> hd_ttx_playing_ms=<n>
//   rss_50_mb=<x> rss_100_mb=<x> rss_300_mb=<x>
#include <cstdio>
#include <cstring>
#include <string>

int main() {
    const std::string command = std::string(XVFB_RUN) + " " + PLAY_SCENARIO_BINARY + " bench-zap 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return 2;
    char line[512];
    bool found = false;
    while (std::fgets(line, sizeof line, pipe))
        if (std::strncmp(line, "play ", 5) == 0) {
            std::fputs(line, stdout);
            found = true;
        }
    const bool ok = pclose(pipe) == 0;
    return ok && found ? 0 : 1;
}
