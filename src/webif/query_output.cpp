#include "webif/query_output.h"

#include "webif/web_answer.h"

int ServiceListKindByName(const wxString& name) {
    if (name == "tv-providers")
        return 0;
    if (name == "tv")
        return 1;
    if (name == "radio-providers")
        return 2;
    if (name == "radio")
        return 3;
    return -1;
}

namespace {
void AddEntries(std::vector<wxString>& out, const std::vector<ChannelEntry>& entries) {
    for (const ChannelEntry& e : entries) {
        if (e.marker)
            out.push_back("marker\t" + e.label);
        else
            out.push_back(e.data.positionCode + "\t" + e.label + "\t" + e.data.sRef);
    }
}
} // namespace

std::vector<wxString> FormatServiceLines(const ServiceListModel& model, int listKind) {
    std::vector<wxString> out;
    const ServiceBranch& branch = listKind < 2 ? model.tv : model.radio;
    const bool provider = listKind == 0 || listKind == 2;
    for (const ChannelFolder& f : provider ? branch.providers : branch.bouquets) {
        out.push_back("folder\t" + f.label + "\t" + f.data.sRef);
        AddEntries(out, f.entries);
    }
    if (provider && !branch.sender.empty()) {
        out.push_back("folder\tSender\t");
        AddEntries(out, branch.sender);
    }
    return out;
}

std::vector<wxString> FormatFlatAnswer(const wxString& answer, const wxString& root) {
    std::vector<wxString> out;
    const ParsedAnswer doc = ParseWebAnswer(answer, root);
    for (const AnswerElement& e : doc.Root().Children())
        out.push_back(e.Name() + "\t" + e.Text());
    return out;
}

std::vector<wxString> FormatAudioTracks(const std::vector<AudioTrack>& tracks) {
    std::vector<wxString> out;
    for (const AudioTrack& t : tracks)
        out.push_back(t.id + "\t" + t.pid + "\t" + t.active + "\t" + t.description);
    return out;
}
