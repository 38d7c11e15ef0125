#pragma once
// One client's connection settings for the PagorFunc service (endpoint, timeout, cookies,
// credentials, logging) and the transport that sends its calls; it offers each service operation
// as a synchronous and an asynchronous call. Use it from one thread, the one that made it.

#include "soap/PagorFuncBindingResponse.h"
#include "soap/PagorFuncBindingResponseDelegate.h"

#include <QList>
#include <QNetworkCookie>
#include <QUrl>

#include <memory>
#include <optional>
#include <string>

class QNetworkAccessManager;

namespace penshelf::soap {

class PagorFuncBindingOperation;

class PagorFuncBinding final : public PagorFuncBindingResponseDelegate,
                               public std::enable_shared_from_this<PagorFuncBinding> {
    struct Passkey {};

  public:
    // A binding with no address yet, a 10-second timeout, no cookies, no logging, no credentials.
    static std::shared_ptr<PagorFuncBinding> init();
    // As init(), with the endpoint parsed from `address`.
    static std::shared_ptr<PagorFuncBinding> initWithAddress(const std::string& address);

    explicit PagorFuncBinding(Passkey);
    ~PagorFuncBinding() override;
    PagorFuncBinding(const PagorFuncBinding&) = delete;
    PagorFuncBinding& operator=(const PagorFuncBinding&) = delete;

    const QUrl& address() const { return address_; }
    void setAddress(const QUrl& address) { address_ = address; }
    // Seconds a request may go without progress before it fails with a time-out; a whole call
    // may last callDeadlineInTimeouts times as long (ResponseLimits.h).
    double defaultTimeout() const { return defaultTimeout_; }
    void setDefaultTimeout(double seconds) { defaultTimeout_ = seconds; }
    // Sent with the next request; replaced by the cookies of every response.
    const std::optional<QList<QNetworkCookie>>& cookies() const { return cookies_; }
    void setCookies(std::optional<QList<QNetworkCookie>> cookies) { cookies_ = std::move(cookies); }
    // Appends a cookie, creating the list on first use; an absent cookie is ignored.
    void addCookie(const std::optional<QNetworkCookie>& cookie);
    // When true, requests and responses are written to the debug log.
    bool logXMLInOut() const { return logXMLInOut_; }
    void setLogXMLInOut(bool log) { logXMLInOut_ = log; }
    // Offered, once per call, to an HTTP authentication challenge.
    const std::optional<std::string>& authUsername() const { return authUsername_; }
    void setAuthUsername(std::optional<std::string> name) { authUsername_ = std::move(name); }
    const std::optional<std::string>& authPassword() const { return authPassword_; }
    void setAuthPassword(std::optional<std::string> password) {
        authPassword_ = std::move(password);
    }

    // Starts the operation and runs the event loop until it is over (other sources of the loop
    // are served meanwhile), then returns its response.
    PagorFuncBindingResponse performSynchronousOperation(PagorFuncBindingOperation& operation);
    // Starts the operation and returns at once; the operation owns itself from then on and goes
    // away after it has told its delegate.
    void performAsynchronousOperation(std::unique_ptr<PagorFuncBindingOperation> operation);
    // Posts the envelope to the endpoint with the operation as receiver of the HTTP events.
    void sendHTTPCallUsingBody(const std::string& body, const std::string& soapAction,
                               PagorFuncBindingOperation& forOperation);

    // The binding is the delegate of its own synchronous calls. It has nothing to do when told:
    // performSynchronousOperation waits on the operation itself and takes its response.
    void operation(PagorFuncBindingOperation& /*operation*/,
                   const PagorFuncBindingResponse& /*completedWithResponse*/) override {}

    // The service's operations. Absent parameters are left out of the request.
    PagorFuncBindingResponse bookopenUsingStrguid(std::optional<std::string> strguid);
    void bookopenAsyncUsingStrguid(std::optional<std::string> strguid,
                                   PagorFuncBindingResponseDelegate* delegate);
    PagorFuncBindingResponse synchronousUsingStrcid(std::optional<std::string> strcid,
                                                    std::optional<std::string> strmid);
    void synchronousAsyncUsingStrcid(std::optional<std::string> strcid,
                                     std::optional<std::string> strmid,
                                     PagorFuncBindingResponseDelegate* delegate);
    PagorFuncBindingResponse getproxyurlUsingStrcid(std::optional<std::string> strcid,
                                                    std::optional<double> ntype);
    void getproxyurlAsyncUsingStrcid(std::optional<std::string> strcid, std::optional<double> ntype,
                                     PagorFuncBindingResponseDelegate* delegate);
    PagorFuncBindingResponse testUsingStrmid(std::optional<std::string> strmid);
    void testAsyncUsingStrmid(std::optional<std::string> strmid,
                              PagorFuncBindingResponseDelegate* delegate);
    PagorFuncBindingResponse getversionUsingStrpid(std::optional<std::string> strpid,
                                                   std::optional<std::string> strver);
    void getversionAsyncUsingStrpid(std::optional<std::string> strpid,
                                    std::optional<std::string> strver,
                                    PagorFuncBindingResponseDelegate* delegate);

  private:
    QNetworkAccessManager& network();

    QUrl address_;
    double defaultTimeout_ = 10;
    std::optional<QList<QNetworkCookie>> cookies_;
    bool logXMLInOut_ = false;
    std::optional<std::string> authUsername_;
    std::optional<std::string> authPassword_;
    // Each binding has its own manager: credentials Qt keeps after a challenge stay with it.
    std::unique_ptr<QNetworkAccessManager> network_;
};

}  // namespace penshelf::soap
