#include "e2sim_fixture.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <curl/curl.h>

#ifndef E2SIM_EXECUTABLE
#error "E2SIM_EXECUTABLE must name the simulator script"
#endif

namespace {

size_t AppendBody(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

// Parses "e2sim ready web=1 stream=2 ftp=3"; false for any other line.
bool ParseReadyLine(const std::string& line, int& web, int& stream, int& ftp)
{
    return std::sscanf(line.c_str(), "e2sim ready web=%d stream=%d ftp=%d", &web, &stream, &ftp) == 3;
}

}  // namespace

E2SimProcess::E2SimProcess() = default;

E2SimProcess::~E2SimProcess()
{
    Stop();
}

bool E2SimProcess::Start(const Config& config)
{
    Stop();
    config_ = config;

    std::vector<std::string> args = {E2SIM_EXECUTABLE, "--web-port", "0", "--stream-port", "0",
                                     "--ftp-port", "0", "--user", config.user, "--pass", config.pass};
    if (config.https) args.emplace_back("--https");
    if (config.large) args.emplace_back("--large");
    args.insert(args.end(), config.extraArgs.begin(), config.extraArgs.end());

    int out[2];
    if (pipe(out) != 0) return false;

    // argv is built before fork: the child may only call async-signal-safe functions.
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    if (pid == 0) {
        // Own process group, so Stop() can also reach the simulator's FTP child;
        // and the simulator dies with a crashed test instead of lingering.
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    pid_ = pid;

    std::string buffer;
    bool ready = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
    while (!ready) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd pfd{out[0], POLLIN, 0};
        int rc = poll(&pfd, 1, static_cast<int>(left.count()));
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0) break;
        char chunk[512];
        ssize_t n = read(out[0], chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the simulator ended before it was ready
        buffer.append(chunk, static_cast<size_t>(n));
        size_t eol;
        while ((eol = buffer.find('\n')) != std::string::npos) {
            std::string line = buffer.substr(0, eol);
            buffer.erase(0, eol + 1);
            if (ParseReadyLine(line, webPort_, streamPort_, ftpPort_)) {
                ready = true;
                break;
            }
        }
    }
    // The simulator prints nothing after its ready line; the pipe is not needed.
    close(out[0]);
    if (!ready) {
        Stop();
        return false;
    }
    return true;
}

void E2SimProcess::Stop()
{
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD)) {
            ended = true;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (!ended) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    webPort_ = streamPort_ = ftpPort_ = 0;
}

std::string E2SimProcess::SimGet(const std::string& pathAndQuery, long* status) const
{
    if (status) *status = 0;
    std::string body;
    if (webPort_ <= 0) return body;
    CURL* curl = curl_easy_init();
    if (!curl) return body;
    std::string url = std::string(config_.https ? "https" : "http") + "://127.0.0.1:" +
                      std::to_string(webPort_) + pathAndQuery;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(curl) == CURLE_OK && status) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, status);
    }
    curl_easy_cleanup(curl);
    return body;
}

bool E2SimProcess::SetFault(const std::string& query) const
{
    long status = 0;
    SimGet("/sim/fault?" + query, &status);
    return status == 200;
}

bool E2SimProcess::Reset(bool state) const
{
    long status = 0;
    SimGet(state ? "/sim/reset?state=1" : "/sim/reset", &status);
    return status == 200;
}
