// Parsing a large all-services answer (10,000 services in 60 bouquets) into the
// channel-list model. Prints: lists parse_10k_ms=<median> peak_mb=<n>
#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <wx/init.h>

#include "webif/service_list.h"

namespace {

std::string MakeAnswer(int bouquets, int services) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<e2servicelistrecursive>\n";
    char line[512];
    int made = 0;
    for (int b = 0; b < bouquets; ++b) {
        std::snprintf(
            line, sizeof line,
            "<e2bouquet>\n<e2servicereference>1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.b%d.tv\" "
            "ORDER BY bouquet</e2servicereference>\n<e2servicename>Bündel %d</e2servicename>\n"
            "<e2servicelist>\n",
            b, b);
        xml += line;
        const int count = services / bouquets + (b < services % bouquets ? 1 : 0);
        for (int s = 0; s < count; ++s, ++made) {
            const bool marker = s % 25 == 0;
            std::snprintf(line, sizeof line,
                          "<e2service>\n<e2servicereference>%s%X:%X:1:C00000:0:0:0:</e2servicereference>\n"
                          "<e2servicename>%s Sender Nr. %d &amp; Co</e2servicename>\n</e2service>\n",
                          marker ? "1:64:0:" : "1:0:19:", 0x1000 + made, 0x400 + b,
                          marker ? "---" : "Öffentlicher", made);
            xml += line;
        }
        xml += "</e2servicelist>\n</e2bouquet>\n";
    }
    return xml + "</e2servicelistrecursive>\n";
}

double ParseOnceMs(const wxString& answer, int kind) {
    const auto t0 = std::chrono::steady_clock::now();
    ServiceListModel model;
    AppendServiceList(model, kind, answer, "1:0:19:2000:404:1:C00000:0:0:0:");
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
}

} // namespace

int main() {
    std::setlocale(LC_ALL, "C.UTF-8");
    wxInitializer init;
    if (!init.IsOk())
        return 1;
    const wxString answer = wxString::FromUTF8(MakeAnswer(60, 10000));
    std::vector<double> runs;
    for (int i = 0; i < 9; ++i)
        runs.push_back(ParseOnceMs(answer, i % 2 ? 1 : 0)); // bouquets and providers (with "Sender")
    std::nth_element(runs.begin(), runs.begin() + runs.size() / 2, runs.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("lists parse_10k_ms=%.1f peak_mb=%ld\n", runs[runs.size() / 2],
                (usage.ru_maxrss + 1023) / 1024);
    return 0;
}
