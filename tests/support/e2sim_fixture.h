// Starts the receiver simulator e2sim on free loopback ports for one test and
// stops it again, so integration tests talk to a real network peer.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// How to start the simulator (E2SimProcess::Config). Declared outside the
// class so that it is complete where Start() uses it as a default argument.
struct E2SimConfig {
    bool https = false;
    bool large = false;
    std::string user = "root";
    std::string pass = "tunerpwd";
    std::vector<std::string> extraArgs;
};

class E2SimProcess {
public:
    using Config = E2SimConfig;

    E2SimProcess();
    ~E2SimProcess();  // stops the simulator
    E2SimProcess(const E2SimProcess&) = delete;
    E2SimProcess& operator=(const E2SimProcess&) = delete;

    // Spawns e2sim with ports 0 and waits up to 60 s for its ready line.
    bool Start(const Config& config = {});
    // SIGTERM, wait; SIGKILL to the whole process group after 5 s.
    void Stop();

    int webPort() const { return webPort_; }
    int streamPort() const { return streamPort_; }
    int ftpPort() const { return ftpPort_; }
    const Config& config() const { return config_; }

    // GET on the web port (scheme per config), no authentication, TLS
    // unchecked. Returns the body; *status gets the HTTP status (0 on a
    // transport error).
    std::string SimGet(const std::string& pathAndQuery, long* status = nullptr) const;
    // SimGet("/sim/fault?" + query) answered 200.
    bool SetFault(const std::string& query) const;
    // Clears the faults; with state also restores the initial receiver state.
    bool Reset(bool state = false) const;

private:
    Config config_;
    pid_t pid_ = -1;
    int webPort_ = 0;
    int streamPort_ = 0;
    int ftpPort_ = 0;
};
