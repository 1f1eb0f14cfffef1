#include "core/options.h"

StartOptions& Options() {
    static StartOptions options;
    return options;
}
