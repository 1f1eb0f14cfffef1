// Evaluating the command line into StartOptions. Evaluation is pure: it reports what
// to show and what to do; the file work (debug dump, registry) is done afterwards by
// ApplyCommandLineEffects so that tests can check the evaluation alone.
#pragma once

#include <utility>
#include <vector>

#include <wx/arrstr.h>
#include <wx/string.h>

#include "core/message.h"
#include "core/options.h"

struct CommandLineOutcome {
    enum Action { Run, EndAfterMessage };
    Action action = Run;
    // Messages in the order they must be shown (title "Tessaro E2", no parent).
    std::vector<std::pair<wxString, MessageIcon>> messages;
    // Switch "r": the registry must be deleted; its message goes to
    // messages[registryMessagePos] once ApplyCommandLineEffects has run.
    bool deleteRegistry = false;
    size_t registryMessagePos = 0;
};

// args without argv[0]. profileCount is the number of usable profiles (at least 1).
// On a syntax error or "-h" the action is EndAfterMessage and options are untouched
// beyond what was already set.
CommandLineOutcome EvaluateCommandLine(const wxArrayString& args, int profileCount, StartOptions& options);

// The exact text shown for "-h".
wxString CommandLineHelpText();

// Creates (or truncates) "tessaro.dbg" in dataDir. Returns false when it cannot.
bool CreateDebugDump(const wxString& dataDir);

// Does the file work the evaluation asked for: truncates the debug dump when
// options.debugDump is set and deletes the GStreamer registry below cacheDir when
// outcome.deleteRegistry is set, inserting its message at the right place.
void ApplyCommandLineEffects(CommandLineOutcome& outcome, const StartOptions& options,
                             const wxString& dataDir, const wxString& cacheDir);

// Shows outcome.messages in order through ShowMessage.
void ShowCommandLineMessages(const CommandLineOutcome& outcome);
