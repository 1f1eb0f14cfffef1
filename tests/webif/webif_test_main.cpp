// wxBase must be initialised for string conversion, XML and the log.
#include <clocale>

#include <gtest/gtest.h>
#include <wx/init.h>

int main(int argc, char** argv) {
    // German source texts with umlauts pass through _(), which converts with the locale.
    std::setlocale(LC_ALL, "C.UTF-8");
    wxInitializer init;
    if (!init.IsOk())
        return 1;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
