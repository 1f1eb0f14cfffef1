// Zap-to-picture in the full program against the simulator: runs the GUI scenario
// "bench-zap" under a private X server (30 warm-up zaps of SD and HD, then 20 zaps
// between SD channels, 20 between SD and HD, 100 in all; the memory growth is taken
// from after the warm-up to the 100th zap) and passes on its one line:
//   play sd_sd_median_ms=<n> sd_hd_median_ms=<n> rss_after_100_zaps_mb=<n> rss_growth_mb=<n>
//   rss_growth_last_50_zaps_mb=<n>
// A leak grows in both memory figures; the allocator's arenas settle within the
// first measured zaps and add to the first only.
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
