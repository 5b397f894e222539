#include "info/HttpFetch.h"

#include <cstdio>
#include <curl/curl.h>
#include <memory>
#include <strings.h>

namespace hx {
namespace {

    void GlobalInit()
    {
        static const CURLcode rc = curl_global_init(CURL_GLOBAL_DEFAULT);
        (void)rc;
    }

    struct Transfer {
        std::string* body = nullptr;
        size_t maxBytes = 0;
        bool headersOnly = false;
        bool tooLarge = false;
        CURL* easy = nullptr;
        bool location = false; // the current response names a redirect target
    };

    // In headers-only mode the exchange ends with the final response's headers, so that a
    // server that sends headers and then stalls still counts as reachable.
    size_t OnHeader(char* data, size_t size, size_t count, void* user)
    {
        auto* t = static_cast<Transfer*>(user);
        size_t bytes = size * count;
        std::string_view line(data, bytes);
        if (line.starts_with("HTTP/"))
            t->location = false;
        else if (line.size() > 9 && strncasecmp(line.data(), "location:", 9) == 0)
            t->location = true;
        if (!t->headersOnly || (line != "\r\n" && line != "\n"))
            return bytes;
        long status = 0;
        curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        bool redirect
            = t->location && (status == 301 || status == 302 || status == 303 || status == 307 || status == 308);
        return status >= 200 && !redirect ? CURL_WRITEFUNC_ERROR : bytes;
    }

    size_t OnData(char* data, size_t size, size_t count, void* user)
    {
        auto* t = static_cast<Transfer*>(user);
        size_t bytes = size * count;
        if (t->headersOnly)
            return CURL_WRITEFUNC_ERROR;
        if (t->body->size() + bytes > t->maxBytes) {
            t->tooLarge = true;
            return CURL_WRITEFUNC_ERROR;
        }
        t->body->append(data, bytes);
        return bytes;
    }

    using EasyPtr = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
    using MultiPtr = std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)>;

    HttpReply Exchange(const std::string& url, const HttpLimits& limits, FetchCancel* cancel, bool headersOnly)
    {
        GlobalInit();
        HttpReply reply;
        if (cancel && cancel->Cancelled()) {
            reply.outcome = HttpOutcome::Cancelled;
            return reply;
        }
        EasyPtr easy(curl_easy_init(), &curl_easy_cleanup);
        MultiPtr multi(curl_multi_init(), &curl_multi_cleanup);
        if (!easy || !multi) {
            reply.error = "libcurl could not be set up";
            return reply;
        }
        Transfer transfer { &reply.body, limits.maxBytes, headersOnly, false, easy.get(), false };
        char errorText[CURL_ERROR_SIZE] = {};
        CURL* e = easy.get();
        curl_easy_setopt(e, CURLOPT_URL, url.c_str());
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(e, CURLOPT_USERAGENT, HttpAgent);
        // The reply is handed on decompressed, as a browser's HTTP object does; the size cap
        // applies to what comes out of the decoder.
        curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.totalTimeout.count()));
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &OnData);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &OnHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorText);
        curl_multi_add_handle(multi.get(), e);

        if (cancel)
            cancel->Attach(multi.get());
        CURLcode result = CURLE_OK;
        bool done = false;
        bool cancelled = false;
        while (!done) {
            if (cancel && cancel->Cancelled()) {
                cancelled = true;
                break;
            }
            int running = 0;
            CURLMcode mc = curl_multi_perform(multi.get(), &running);
            if (mc != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                snprintf(errorText, sizeof errorText, "%s", curl_multi_strerror(mc));
                break;
            }
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
                if (msg->msg == CURLMSG_DONE) {
                    result = msg->data.result;
                    done = true;
                }
            }
            if (!done && curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr) != CURLM_OK) {
                result = CURLE_FAILED_INIT;
                break;
            }
        }
        if (cancel)
            cancel->Detach();

        curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &reply.status);
        if (const char* type = nullptr; curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
            reply.contentType = type;
        curl_multi_remove_handle(multi.get(), e);

        if (cancelled) {
            reply.outcome = HttpOutcome::Cancelled;
            reply.error = "cancelled";
        } else if (result == CURLE_OK || (headersOnly && result == CURLE_WRITE_ERROR && !transfer.tooLarge)) {
            reply.outcome = HttpOutcome::Ok;
        } else {
            reply.outcome = reply.status == 0 ? HttpOutcome::Unreachable : HttpOutcome::Failed;
            if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
                reply.error = "reply larger than " + std::to_string(limits.maxBytes) + " bytes";
            else
                reply.error = errorText[0] ? errorText : curl_easy_strerror(result);
        }
        if (reply.outcome != HttpOutcome::Ok)
            reply.body.clear();
        return reply;
    }

} // namespace

void FetchCancel::Cancel()
{
    cancelled_.store(true);
    std::lock_guard lock(mutex_);
    if (multi_)
        curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

void FetchCancel::Attach(void* multi)
{
    std::lock_guard lock(mutex_);
    multi_ = multi;
}

void FetchCancel::Detach()
{
    std::lock_guard lock(mutex_);
    multi_ = nullptr;
}

HttpReply HttpGet(const std::string& url, const HttpLimits& limits, FetchCancel* cancel)
{
    return Exchange(url, limits, cancel, false);
}

bool CheckUrl(const std::string& url, const HttpLimits& limits, FetchCancel* cancel)
{
    return Exchange(url, limits, cancel, true).outcome == HttpOutcome::Ok;
}

std::string UrlEscape(const std::string& text)
{
    GlobalInit();
    std::unique_ptr<char, decltype(&curl_free)> escaped(
        curl_easy_escape(nullptr, text.data(), static_cast<int>(text.size())), &curl_free);
    return escaped ? std::string(escaped.get()) : std::string();
}

} // namespace hx
