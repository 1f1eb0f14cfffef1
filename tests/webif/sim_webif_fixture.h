// One simulator per test suite, reset before each test, a settings profile that
// points at it and a private data folder for the web context (dump and caches).
#pragma once

#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "core/settings.h"
#include "e2sim_fixture.h"
#include "log_capture.h"
#include "webif/web_request.h"

class SimWebifTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim_ = new E2SimProcess;
        ASSERT_TRUE(sim_->Start());
    }
    static void TearDownTestSuite() {
        delete sim_;
        sim_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(sim_);
        ASSERT_TRUE(sim_->Reset(true));
        settings_.profiles[0] = {"Box",           "127.0.0.1",        "root", "tunerpwd",
                                 sim_->webPort(), sim_->streamPort(), 0};
        dir_ = wxFileName::CreateTempFileName("webif");
        wxRemoveFile(dir_);
        wxMkdir(dir_);
        dir_ += "/";
        Web() = WebContext();
        Web().settings = &settings_;
        Web().dataDir = dir_;
    }
    void TearDown() override {
        Web() = WebContext();
        wxFileName::Rmdir(dir_, wxPATH_RMDIR_RECURSIVE);
    }

    static inline E2SimProcess* sim_ = nullptr;
    AppSettings settings_;
    wxString dir_;
    LogCapture log_;
};
