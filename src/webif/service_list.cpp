#include "webif/service_list.h"

#include <algorithm>

#include <wx/intl.h>

#include "webif/service_ref.h"
#include "webif/service_sort.h"
#include "webif/web_answer.h"

std::string ServiceListCommand(int listKind) {
    static const char* const kCommands[] = {
        "getallservices?sRef=1:7:1:0:0:0:0:0:0:0:(type%20==%201)%20||%20(type%20==%2017)%20||%20(type%20==%"
        "20195)%20||"
        "%20(type%20==%2025)%20FROM%20PROVIDERS%20ORDER%20BY%20name",
        "getallservices?sRef=1:7:1:0:0:0:0:0:0:0:(type%20==%201)%20||%20(type%20==%2017)%20||%20(type%20==%"
        "20195)%20||"
        "%20(type%20==%2025)FROM%20BOUQUET%20\"bouquets.tv\"%20ORDER%20BY%20bouquet",
        "getallservices?sRef=1:7:2:0:0:0:0:0:0:0:(type%20==%202)%20FROM%20PROVIDERS%20ORDER%20BY%20name",
        "getallservices?sRef=1:7:2:0:0:0:0:0:0:0:(type%20==%202)FROM%20BOUQUET%20\"bouquets.radio\"%20ORDER%"
        "20BY%"
        "20bouquet",
    };
    return listKind >= 0 && listKind <= 3 ? kCommands[listKind] : std::string();
}

namespace {

// Walks one answer; B, S and N follow the numbering of the tree's position codes.
class ListBuilder {
public:
    ListBuilder(ServiceListModel& model, int listKind, const wxString& currentRef)
        : model_(model), kind_(listKind), currentRef_(currentRef), branch_(model.Branch(listKind)),
          folders_(IsProvider() ? branch_.providers : branch_.bouquets) {}

    void Bouquet(const AnswerElement& bouquet) {
        folder_ = -1;
        folderRef_.clear();
        for (const AnswerElement& child : bouquet.Children()) {
            if (child.Name() == "e2servicereference") {
                folderRef_ = child.Text();
                folderRef_.Replace(" ", "%20");
                ++b_;
                s_ = 0;
            } else if (child.Name() == "e2servicename") {
                AddFolder(child.Text());
            } else if (child.Name() == "e2servicelist") {
                ServiceList(child);
            }
        }
    }

private:
    bool IsProvider() const { return kind_ == 0 || kind_ == 2; }
    int ServiceKind() const { return kind_ < 2 ? kKindTV : kKindRadio; }

    void AddFolder(const wxString& name) {
        ChannelFolder f;
        f.label = name;
        f.data = {kKindFolder, folderRef_, wxString(), name};
        if (kind_ == 1 && model_.LastBouquetIndex() < ServiceListModel::kMaxBouquetMenus - 1) {
            f.menuIndex = static_cast<int>(model_.menus.size());
            model_.menus.push_back({name, folders_.size(), {}});
        }
        folders_.push_back(std::move(f));
        folder_ = static_cast<long>(folders_.size()) - 1;
    }

    void ServiceList(const AnswerElement& list) {
        if (folder_ < 0)
            AddFolder(wxString()); // a list before its name still needs a folder to live in
        for (const AnswerElement& service : list.Children("e2service")) {
            const wxString ref = service.ChildText("e2servicereference");
            const AnswerElement name = service.Child("e2servicename");
            if (name.IsValid() && !ref.empty())
                Service(ref, name.Text());
        }
    }

    void Service(const wxString& ref, const wxString& name) {
        ChannelFolder& folder = folders_[folder_];
        ++s_;
        const bool marker = ServiceRef(ref).IsMarker();
        if (folder.menuIndex >= 0) {
            BouquetMenu& menu = model_.menus[folder.menuIndex];
            wxString help =
                wxString::Format("%d:%d", folder.menuIndex, static_cast<int>(menu.entries.size()));
            menu.entries.push_back({name, help, marker});
        }
        if (marker) {
            folder.entries.push_back({name, true, {}});
            return;
        }
        const wxString code = wxString::Format("%d.%d.%ld.%ld", ServiceKind(), IsProvider() ? 2 : 1, b_, s_);
        ChannelEntry entry{name, false, {ServiceKind(), ref, code, folder.label}};
        folder.entries.push_back(entry);
        MatchCurrent(ref, folder.entries.size() - 1);
        if (IsProvider()) {
            entry.data.positionCode = wxString::Format("%d.3.%ld", ServiceKind(), ++n_);
            branch_.sender.push_back(std::move(entry));
        }
    }

    void MatchCurrent(const wxString& ref, size_t entryIndex) {
        CurrentServiceMatch& m = model_.current;
        if (m.found || ref != currentRef_)
            return;
        m.found = true;
        m.kind = kind_;
        m.folderIndex = static_cast<size_t>(folder_);
        m.entryIndex = entryIndex;
        m.playModeLabel = kind_ < 2 ? _(" Wiedergabemodus [ TV ] ") : _(" Wiedergabemodus [ RA ] ");
    }

    ServiceListModel& model_;
    int kind_;
    wxString currentRef_;
    ServiceBranch& branch_;
    std::vector<ChannelFolder>& folders_;
    long folder_ = -1;
    wxString folderRef_;
    long b_ = 0, s_ = 0, n_ = 0;
};

} // namespace

bool AppendServiceList(ServiceListModel& model, int listKind, const wxString& answer,
                       const wxString& currentServiceRef) {
    if (listKind < 0 || listKind > 3)
        return false;
    const ParsedAnswer doc = ParseWebAnswer(answer, "e2servicelistrecursive");
    if (!doc.Root().IsValid())
        return false;
    ListBuilder builder(model, listKind, currentServiceRef);
    for (const AnswerElement& bouquet : doc.Root().Children("e2bouquet"))
        builder.Bouquet(bouquet);
    SortAndRenumberSender(model.Branch(listKind).sender);
    return true;
}

void SortAndRenumberSender(std::vector<ChannelEntry>& sender) {
    std::stable_sort(sender.begin(), sender.end(), [](const ChannelEntry& a, const ChannelEntry& b) {
        return CompareLabels(a.label, b.label) < 0;
    });
    long n = 0;
    for (ChannelEntry& e : sender) {
        const wxString& code = e.data.positionCode;
        e.data.positionCode = wxString::Format("%s.%ld", code.BeforeLast('.'), ++n);
    }
}

wxString ProviderCacheName(int listKind, long profileIndex) {
    return wxString::Format(listKind == 0 ? "tv-provider-%ld.xml" : "ra-provider-%ld.xml", profileIndex);
}
