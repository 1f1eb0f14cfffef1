#include <gtest/gtest.h>

#include <wx/init.h>
#include <wx/log.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const wxInitializer wx;
    if (!wx.IsOk())
        return 1;
    // Errors about deliberately broken files go to stderr, not to a dialog.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    return RUN_ALL_TESTS();
}
