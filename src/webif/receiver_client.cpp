#include "webif/receiver_client.h"

#include "webif/receiver_transfer.h"

namespace {

std::string To8Bit(const wxString& s) {
    const wxScopedCharBuffer buf = s.utf8_str();
    return std::string(buf.data(), buf.length());
}

ReceiverClient::Wire WireOf(const ReceiverConnection& c) {
    ReceiverClient::Wire w;
    w.addressPrefix = BuildWebAddress(c.profile, "");
    w.port = c.profile.WPort;
    w.userPwd = To8Bit(c.profile.User + ":" + c.profile.Pass);
    w.proxy = c.proxy;
    w.proxyUserPwd = c.proxyUserPwd;
    if (c.debugDump)
        w.dumpPath = To8Bit(c.dataDir + "tessaro.dbg");
    w.connectTimeoutS = c.connectTimeoutS;
    w.stallTimeoutS = c.stallTimeoutS;
    w.maxBodyBytes = c.maxBodyBytes;
    return w;
}

} // namespace

ReceiverConnection ConnectionOf(const AppSettings& settings, bool debugDump, const wxString& dataDir) {
    ReceiverConnection c;
    c.profile = settings.ActiveProfile();
    c.proxy = ProxyAddress(settings);
    if (!c.proxy.empty())
        c.proxyUserPwd = To8Bit(settings.proxy.User + ":" + settings.proxy.Pass);
    c.debugDump = debugDump;
    c.dataDir = dataDir;
    return c;
}

wxString StartupFailureMessage(const WebReply& reply, const ReceiverProfile& profile,
                               const wxString& configPath) {
    if (reply.tooLarge)
        return reply.error;
    if (!reply.TransferOk())
        return ConnectionFailedMessage(profile, reply.error, configPath);
    return EvaluateWebStatus(reply.status, reply.address).message;
}

ReceiverClient::ReceiverClient(ReceiverConnection connection, Poster poster)
    : connection_(std::move(connection)), wire_(WireOf(connection_)), poster_(std::move(poster)),
      cancel_(std::make_shared<std::atomic<bool>>(false)), pending_(std::make_shared<std::atomic<int>>(0)),
      self_(std::make_shared<int>(0)) {}

ReceiverClient::~ReceiverClient() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        *cancel_ = true;
    }
    wake_.notify_all();
    for (Lane& lane : lanes_) {
        if (lane.worker.joinable())
            lane.worker.join();
    }
}

WebReply ReceiverClient::Get(const std::string& command) const {
    return PerformTransfer(wire_, command, *cancel_);
}

void ReceiverClient::Request(const std::string& command, std::weak_ptr<void> alive, ReplyHandler onReply,
                             RequestLane lane) {
    Lane& l = lanes_[lane == RequestLane::Control ? 0 : 1];
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_)
            return;
        l.jobs.push_back({command, std::move(alive), std::move(onReply)});
        ++*pending_;
        if (!l.worker.joinable())
            l.worker = std::thread([this, &l] { Work(l); });
    }
    wake_.notify_all();
}

void ReceiverClient::Work(Lane& lane) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || !lane.jobs.empty(); });
        if (stopping_)
            return;
        Job job = std::move(lane.jobs.front());
        lane.jobs.pop_front();
        lock.unlock();
        WebReply reply = Get(job.command);
        Deliver(std::move(reply), std::move(job));
        lock.lock();
    }
}

void ReceiverClient::Deliver(WebReply reply, Job job) {
    if (*cancel_ || !poster_) {
        --*pending_;
        return;
    }
    // The delivery may run after this client is gone: it holds what it needs itself.
    poster_([reply = std::move(reply), job = std::move(job), pending = pending_,
             client = std::weak_ptr<int>(self_)]() {
        --*pending;
        if (client.expired())
            return;
        if (auto window = job.alive.lock())
            job.onReply(reply);
    });
}

QueryOutcome GetAndRead(const ReceiverClient& client, const std::string& command,
                        const std::function<bool(const wxString& answer)>& read) {
    QueryOutcome outcome;
    outcome.reply = client.Get(command);
    outcome.readable = outcome.reply.Ok() && read(outcome.reply.body);
    return outcome;
}
