// One simulator per test suite, reset before each test, a settings profile that
// points at it, a private data folder (dump and caches) and a ReceiverClient whose
// replies land in a queue the test drains.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "core/settings.h"
#include "e2sim_fixture.h"
#include "log_capture.h"
#include "webif/receiver_client.h"

// Stands in for the GUI thread's event queue: workers post, the test runs them.
class PostedQueue {
public:
    ReceiverClient::Poster Poster() {
        return [this](std::function<void()> f) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                queue_.push_back(std::move(f));
            }
            posted_.notify_all();
        };
    }
    // Waits until `count` deliveries were posted (a generous bound only keeps a broken
    // client from hanging the run), then runs them in order; returns how many ran.
    size_t Drain(size_t count) {
        std::deque<std::function<void()>> ready;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            posted_.wait_for(lock, std::chrono::seconds(120), [&] { return queue_.size() >= count; });
            ready.swap(queue_);
        }
        for (auto& f : ready)
            f();
        wxLog::FlushActive(); // log lines of worker threads wait for the main thread
        return ready.size();
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

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
        client_ = MakeClient(Connection());
    }
    void TearDown() override {
        client_.reset();
        wxFileName::Rmdir(dir_, wxPATH_RMDIR_RECURSIVE);
    }
    // The connection of settings_ as the application makes it.
    ReceiverConnection Connection(bool debugDump = false) const {
        return ConnectionOf(settings_, debugDump, dir_);
    }
    std::unique_ptr<ReceiverClient> MakeClient(ReceiverConnection connection) {
        return std::make_unique<ReceiverClient>(std::move(connection), posted_.Poster());
    }

    static inline E2SimProcess* sim_ = nullptr;
    AppSettings settings_;
    wxString dir_;
    LogCapture log_;
    PostedQueue posted_;
    std::unique_ptr<ReceiverClient> client_;
};
