// Start-up to the main window against the simulator, default and large data set:
// runs the GUI scenario binary under a private X server once per data set and prints
//   startup default_ms=<n> large_ms=<n> large_tree_fill_ms=<n> peak_mb=<n>
// The large tree has to fill in under 2 s; a slower fill ends with exit code 1.
#include <algorithm>
#include <cstdio>
#include <string>

namespace {

struct Run {
    bool ok = false;
    double startupMs = 0, treeFillMs = 0, peakMb = 0;
};

Run RunScenario(const std::string& scenario) {
    const std::string command = std::string(XVFB_RUN) + " " +
                                GUI_SCENARIO_BINARY + " " + scenario + " 2>/dev/null";
    Run run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char line[512];
    while (std::fgets(line, sizeof line, pipe))
        if (std::sscanf(line, "startup_ms=%lf tree_fill_ms=%lf peak_mb=%lf", &run.startupMs, &run.treeFillMs,
                        &run.peakMb) == 3)
            run.ok = true;
    run.ok = pclose(pipe) == 0 && run.ok;
    return run;
}

} // namespace

int main() {
    const Run small = RunScenario("bench-default");
    const Run large = RunScenario("bench-large");
    if (!small.ok || !large.ok) {
        std::fprintf(stderr, "a start-up run failed\n");
        return 2;
    }
    std::printf("startup default_ms=%.0f large_ms=%.0f large_tree_fill_ms=%.0f peak_mb=%.1f\n",
                small.startupMs, large.startupMs, large.treeFillMs, std::max(small.peakMb, large.peakMb));
    return large.treeFillMs < 2000 ? 0 : 1;
}
