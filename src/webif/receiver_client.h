// The receiver client: the only code that talks HTTP to the receiver's web interface.
// One object per active profile, made by the application object and handed to whoever
// needs it. A request returns its reply as a value; asynchronous requests run on worker
// threads and their replies come back to the GUI thread, where a reply for a window that
// is gone is dropped. The transport never opens a message box: callers decide.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <wx/string.h>

#include "core/settings.h"

// Everything a request needs, copied when the client is made: a settings dialog that
// changes the live settings later does not reach requests already running.
struct ReceiverConnection {
    ReceiverProfile profile;
    std::string proxy;        // "host:port"; empty: no proxy (the environment's is ignored too)
    std::string proxyUserPwd; // "user:password" for the proxy
    bool debugDump = false;   // append requests and bodies to "tessaro.dbg"
    wxString dataDir;         // where "tessaro.dbg" goes
    long connectTimeoutS = 5;
    long stallTimeoutS = 20;              // gives up when no byte arrived for this long
    std::size_t maxBodyBytes = 64u << 20; // reading stops here; memory never grows past it
};

// The connection of the active profile under the proxy rule.
ReceiverConnection ConnectionOf(const AppSettings& settings, bool debugDump, const wxString& dataDir);

// What one request got.
struct WebReply {
    std::string command;   // as requested ("zap?sRef=...")
    std::string address;   // "http[s]://host:port/web/command", without credentials
    long status = 0;       // HTTP status; 0 when the transfer did not complete
    int curlCode = 0;      // libcurl's result; 0 when the transfer completed
    wxString body;         // the decoded answer (UTF-8, else ISO-8859-1); empty after a failed transfer
    wxString error;        // transport error text ("Timeout was reached"); empty when the transfer completed
    bool tooLarge = false; // the body outgrew ReceiverConnection::maxBodyBytes (curlCode 23)

    bool TransferOk() const { return curlCode == 0; }
    // Transfer completed with HTTP 200 or 204.
    bool Ok() const { return curlCode == 0 && (status == 200 || status == 204); }
};

// Logs that the receiver's answer to `command` could not be read (malformed, truncated,
// another root): a clear error instead of silently empty data.
void LogUnreadableAnswer(const std::string& command);

// A window's lifetime as reply handlers see it: a member of the window; replies queued
// for it are dropped once the window (and with it this object) is destroyed.
class ReplyLifetime {
public:
    std::weak_ptr<void> Token() const { return alive_; }

private:
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// The message the start-up shows for a failed reply (transport error, oversized body,
// 401, 404, other status); empty for a successful one.
wxString StartupFailureMessage(const WebReply& reply, const ReceiverProfile& profile,
                               const wxString& configPath);

// Order only matters within a lane: the control lane carries zap, power and the
// questions before a stream start, in the order they were asked; the bulk lane carries
// lists and EPG, so that a long load never holds up a zap.
enum class RequestLane { Control, Bulk };

class ReceiverClient {
public:
    // Runs a function on the GUI thread (the application passes wxTheApp->CallAfter;
    // tests pass a queue they drain). Called from worker threads.
    using Poster = std::function<void(std::function<void()>)>;
    using ReplyHandler = std::function<void(const WebReply&)>;

    // The worker threads start with the first Request: a client used only through Get
    // (tessaro-query) has none.
    ReceiverClient(ReceiverConnection connection, Poster poster);
    // Cancels running transfers and joins the workers; replies not yet delivered are dropped.
    ~ReceiverClient();
    ReceiverClient(const ReceiverClient&) = delete;
    ReceiverClient& operator=(const ReceiverClient&) = delete;

    // Blocking GET of "/web/" + command (escaped by the caller's builder). For worker
    // threads, tessaro-query and tests; never called on the GUI thread of the program.
    // A transport error is logged as "NET ERR #nn (...)".
    WebReply Get(const std::string& command) const;

    // Queues the request on `lane`; `onReply` runs on the GUI thread unless `alive` has
    // expired by then (the window is gone). Supersession by newer requests of the same
    // kind is the caller's business (compare a generation in the handler).
    void Request(const std::string& command, std::weak_ptr<void> alive, ReplyHandler onReply,
                 RequestLane lane = RequestLane::Control);

    const ReceiverConnection& Connection() const { return connection_; }
    // Requests queued, running or waiting for delivery, all lanes (the status line says
    // what is pending).
    int Pending() const { return *pending_; }

    // The 8-bit forms the transfers use, made once so that worker threads never touch
    // the connection's wxStrings.
    struct Wire {
        std::string addressPrefix; // "http[s]://host:port/web/"
        long port = 0;
        std::string userPwd;
        std::string proxy;
        std::string proxyUserPwd;
        std::string dumpPath; // empty: no dump
        long connectTimeoutS = 5;
        long stallTimeoutS = 20;
        std::size_t maxBodyBytes = 0;
    };

private:
    struct Job {
        std::string command;
        std::weak_ptr<void> alive;
        ReplyHandler onReply;
    };
    struct Lane {
        std::deque<Job> jobs;
        std::thread worker;
    };
    void Work(Lane& lane);
    void Deliver(WebReply reply, Job job);

    ReceiverConnection connection_;
    Wire wire_;
    Poster poster_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    Lane lanes_[2];
    bool stopping_ = false;
    std::shared_ptr<std::atomic<bool>> cancel_; // read by running transfers' progress callbacks
    std::shared_ptr<std::atomic<int>> pending_; // shared with posted deliveries
    std::shared_ptr<int> self_;                 // deliveries posted before destruction check it
};

// What a blocking query got: the reply and whether its answer could be read (a
// truncated, malformed or foreign answer cannot). A failure either way is a failure.
struct QueryOutcome {
    WebReply reply;
    bool readable = false;

    bool Ok() const { return reply.Ok() && readable; }
    explicit operator bool() const { return Ok(); }
};

// Get(command), then `read` on the body of a successful reply. The blocking queries are
// this with a command builder and the parser the GUI's reply handler uses.
QueryOutcome GetAndRead(const ReceiverClient& client, const std::string& command,
                        const std::function<bool(const wxString& answer)>& read);

// --- Pure parts, tested without a network ---

// "http[s]://host:port/web/command". Credentials never appear in it (basic auth is
// passed separately), so it is safe to log and dump.
std::string BuildWebAddress(const ReceiverProfile& profile, const std::string& command);

// Result of an HTTP status and the message shown for it in start-up reporting
// (empty for success).
struct WebStatusOutcome {
    bool ok = false;
    wxString message;
};
WebStatusOutcome EvaluateWebStatus(long status, const std::string& address);

// "NET ERR #07 (Couldn't connect to server)".
wxString NetErrorLine(int code, const wxString& errorText);
// The start-up message for a transport error.
wxString ConnectionFailedMessage(const ReceiverProfile& profile, const wxString& errorText,
                                 const wxString& configPath);

// The proxy as libcurl wants it ("host:port"), empty when it is off or incomplete.
std::string ProxyAddress(const AppSettings& settings);

// Body bytes as text: UTF-8 when valid, otherwise read as ISO-8859-1 so that
// nothing is lost.
wxString DecodeAnswerBody(const std::string& bytes);
