// The configuration the stream tests share: what the application object owns in the
// program, one record per test process here.
#pragma once

#include "core/options.h"
#include "core/settings.h"

inline AppSettings& TestSettings() {
    static AppSettings settings;
    return settings;
}

inline StartOptions& TestOptions() {
    static StartOptions options;
    return options;
}
