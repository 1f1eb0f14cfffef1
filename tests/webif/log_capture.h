// Records log lines and message boxes for the duration of a test.
#pragma once

#include <vector>

#include <wx/log.h>

#include "core/message.h"

class LogCapture : public wxLog {
public:
    LogCapture() {
        previous_ = wxLog::SetActiveTarget(this);
        wxLog::SetVerbose(true);
        previousHandler_ = SetMessageHandler([this](const wxString& text, MessageIcon, wxWindow*) {
            messages.push_back(text);
            return 0;
        });
    }
    ~LogCapture() override {
        wxLog::SetActiveTarget(previous_);
        SetMessageHandler(previousHandler_);
    }
    std::vector<wxString> lines;
    std::vector<wxString> messages;

    bool Contains(const wxString& part) const {
        for (const wxString& l : lines)
            if (l.Contains(part))
                return true;
        return false;
    }

protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& msg) override { lines.push_back(msg); }

private:
    wxLog* previous_ = nullptr;
    MessageHandler previousHandler_;
};
