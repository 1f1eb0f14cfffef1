#include "webif/receiver_transfer.h"

#include <cstdio>
#include <mutex>

#include <curl/curl.h>
#include <wx/intl.h>
#include <wx/log.h>

namespace {

// Appends to "tessaro.dbg" for the duration of one request.
class DebugDump {
public:
    explicit DebugDump(const std::string& path) {
        if (!path.empty())
            file_ = std::fopen(path.c_str(), "ab");
    }
    ~DebugDump() {
        if (file_)
            std::fclose(file_);
    }
    DebugDump(const DebugDump&) = delete;
    DebugDump& operator=(const DebugDump&) = delete;
    void Write(const char* data, size_t size) {
        if (file_)
            std::fwrite(data, 1, size, file_);
    }
    void Header(const std::string& address) {
        const std::string h = "\n##### " + address + " #####\n\n";
        Write(h.data(), h.size());
    }

private:
    std::FILE* file_ = nullptr;
};

struct Transfer {
    std::string body;
    std::size_t maxBodyBytes = 0;
    bool tooLarge = false;
    DebugDump* dump = nullptr;
    const std::atomic<bool>* cancel = nullptr;
};

// Stops at the limit instead of growing: an endless answer costs at most the limit.
size_t OnData(char* data, size_t size, size_t count, void* target) {
    auto* t = static_cast<Transfer*>(target);
    const size_t n = size * count;
    if (n > t->maxBodyBytes - t->body.size()) {
        t->tooLarge = true;
        return 0; // libcurl ends the transfer with CURLE_WRITE_ERROR
    }
    t->body.append(data, n);
    t->dump->Write(data, n);
    return n;
}

int OnProgress(void* target, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(target)->cancel->load() ? 1 : 0;
}

void SetOptions(CURL* curl, const ReceiverClient::Wire& w, const std::string& address, Transfer& transfer,
                char* errorText) {
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_PORT, w.port);
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(curl, CURLOPT_USERPWD, w.userPwd.c_str());
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, w.connectTimeoutS);
    // A receiver that accepts and then says nothing must not hold a lane forever.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, w.stallTimeoutS);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    // Receivers use self-signed certificates.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    // An empty proxy keeps libcurl from taking one from the environment.
    curl_easy_setopt(curl, CURLOPT_PROXY, w.proxy.c_str());
    if (!w.proxy.empty())
        curl_easy_setopt(curl, CURLOPT_PROXYUSERPWD, w.proxyUserPwd.c_str());
}

void Fail(WebReply& reply, CURLcode code, const wxString& text, bool cancelled) {
    reply.curlCode = static_cast<int>(code);
    reply.status = 0;
    reply.error = text;
    // A transfer cancelled because the client goes away is nobody's error.
    if (!cancelled)
        wxLogError("%s", NetErrorLine(reply.curlCode, text));
}

void Perform(CURL* curl, const ReceiverClient::Wire& wire, const std::atomic<bool>& cancel, WebReply& reply) {
    char errorText[CURL_ERROR_SIZE] = {};
    DebugDump dump(wire.dumpPath);
    dump.Header(reply.address);
    Transfer transfer;
    transfer.maxBodyBytes = wire.maxBodyBytes;
    transfer.dump = &dump;
    transfer.cancel = &cancel;
    SetOptions(curl, wire, reply.address, transfer, errorText);
    const CURLcode code = curl_easy_perform(curl);
    if (transfer.tooLarge) {
        reply.tooLarge = true;
        return Fail(reply, code, BodyTooLargeText(wire.maxBodyBytes), false);
    }
    if (code != CURLE_OK) {
        const char* text = errorText[0] ? errorText : curl_easy_strerror(code);
        return Fail(reply, code, wxString::FromUTF8(text), cancel.load());
    }
    curl_off_t bytes = 0;
    double seconds = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME, &seconds);
    wxLogVerbose("Verbose: %s HTTP %ld (%.0f Byte in %.3f Sekunden)", reply.address, reply.status,
                 static_cast<double>(bytes), seconds);
    reply.body = DecodeAnswerBody(transfer.body);
}

} // namespace

wxString BodyTooLargeText(std::size_t maxBodyBytes) {
    return wxString::Format(_("Die Antwort des Receivers ist länger als %llu Byte und wurde abgebrochen"),
                            static_cast<unsigned long long>(maxBodyBytes));
}

WebReply PerformTransfer(const ReceiverClient::Wire& wire, const std::string& command,
                         const std::atomic<bool>& cancel) {
    static std::once_flag init;
    std::call_once(init, [] { curl_global_init(CURL_GLOBAL_ALL); });
    WebReply reply;
    reply.command = command;
    reply.address = wire.addressPrefix + command;
    wxLogVerbose("Verbose: HTTP GET (%s)", reply.address);
    CURL* curl = curl_easy_init();
    if (!curl) {
        Fail(reply, CURLE_FAILED_INIT, _("Das Netzwerk konnte nicht initialisiert werden!"), false);
        return reply;
    }
    Perform(curl, wire, cancel, reply);
    curl_easy_cleanup(curl);
    return reply;
}
