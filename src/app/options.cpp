#include "app/options.h"

StartOptions& Options() {
    static StartOptions options;
    return options;
}
