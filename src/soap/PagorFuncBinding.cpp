#include "soap/PagorFuncBinding.h"

#include "soap/DebugLog.h"
#include "soap/PagorFuncBindingOperations.h"
#include "soap/ResponseLimits.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <climits>
#include <cmath>

namespace penshelf::soap {

namespace {

constexpr const char* userAgent = "PenShelf/0.1 PagorFunc-SOAP";

// Qt counts the transfer timeout in whole milliseconds; a timeout that is not positive gives up
// at once rather than never.
int timeoutMilliseconds(double seconds) {
    if (!(seconds > 0)) return 1;
    const double milliseconds = std::ceil(seconds * 1000);
    return milliseconds >= INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
}

// One RFC 6265 Cookie header with the name=value pairs of the list.
QByteArray cookieHeader(const QList<QNetworkCookie>& cookies) {
    QByteArray header;
    for (const QNetworkCookie& cookie : cookies) {
        if (!header.isEmpty()) header += "; ";
        header += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
    }
    return header;
}

// The host name alone: the service listens on port 442, but the header names only the host.
QByteArray hostHeader(const QUrl& address) {
    const QString host = address.host(QUrl::FullyEncoded);
    if (host.contains(u':')) return '[' + host.toLatin1() + ']';  // IPv6 literal
    return host.toLatin1();
}

std::string headerLines(const QNetworkRequest& request) {
    std::string lines;
    for (const QByteArray& name : request.rawHeaderList()) {
        if (!lines.empty()) lines += '\n';
        lines += name.toStdString() + ": " + request.rawHeader(name).toStdString();
    }
    return lines;
}

}  // namespace

std::shared_ptr<PagorFuncBinding> PagorFuncBinding::init() {
    return std::make_shared<PagorFuncBinding>(Passkey{});
}

std::shared_ptr<PagorFuncBinding> PagorFuncBinding::initWithAddress(const std::string& address) {
    auto binding = init();
    binding->setAddress(QUrl(QString::fromStdString(address)));
    return binding;
}

PagorFuncBinding::PagorFuncBinding(Passkey) {}

PagorFuncBinding::~PagorFuncBinding() = default;

void PagorFuncBinding::addCookie(const std::optional<QNetworkCookie>& cookie) {
    if (!cookie) return;
    if (!cookies_) cookies_.emplace();
    cookies_->append(*cookie);
}

QNetworkAccessManager& PagorFuncBinding::network() {
    if (!network_) {
        network_ = std::make_unique<QNetworkAccessManager>();
        network_->setAutoDeleteReplies(false);  // each operation owns its exchange
    }
    return *network_;
}

void PagorFuncBinding::sendHTTPCallUsingBody(const std::string& body, const std::string& soapAction,
                                             PagorFuncBindingOperation& forOperation) {
    QNetworkRequest request(address_);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The binding keeps its own cookies: Qt's cookie jar must neither add nor store any.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // One exchange with the endpoint itself: an answer that points elsewhere is not followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(timeoutMilliseconds(defaultTimeout_));

    const QByteArray bytes = QByteArray::fromStdString(body);
    if (cookies_) {
        const QByteArray cookie = cookieHeader(*cookies_);
        if (!cookie.isEmpty()) request.setRawHeader("Cookie", cookie);
    }
    request.setRawHeader("User-Agent", userAgent);
    request.setRawHeader("SOAPAction", QByteArray::fromStdString(soapAction));
    request.setRawHeader("Content-Type", "text/xml; charset=utf-8");
    request.setRawHeader("Content-Length",
                         QByteArray::number(static_cast<qulonglong>(bytes.size())));
    request.setRawHeader("Host", hostHeader(address_));

    if (logXMLInOut_) {
        debugLog("OutputHeaders:\n" + headerLines(request));
        debugLog("OutputBody:\n" + body);
    }
    forOperation.requestBody_ = bytes;
    forOperation.setUrlConnection(network().post(request, bytes));
    // The transfer timeout ends only a silent exchange; one that trickles in ends here.
    forOperation.startDeadline(timeoutMilliseconds(defaultTimeout_ * callDeadlineInTimeouts));
}

PagorFuncBindingResponse PagorFuncBinding::performSynchronousOperation(
    PagorFuncBindingOperation& operation) {
    QEventLoop loop;
    // Each wait ends with its own operation, so a call that starts during the wait (from a
    // timer, say) cannot end this one early.
    operation.whenOver_ = [&loop] { loop.quit(); };
    operation.start();
    while (!operation.isOver()) {
        // exec() refuses to run (-1) when there is no loop to run, for example while the
        // application is quitting; the call cannot go on then.
        if (loop.exec() < 0 && !operation.isOver()) {
            operation.cancelWithError({"QNetworkReply", QNetworkReply::OperationCanceledError,
                                       "No event loop to wait for the answer in"});
        }
    }
    operation.whenOver_ = nullptr;
    return operation.response().value_or(PagorFuncBindingResponse{});
}

void PagorFuncBinding::performAsynchronousOperation(
    std::unique_ptr<PagorFuncBindingOperation> operation) {
    PagorFuncBindingOperation* running = operation.release();
    running->deleteWhenOver_ = true;
    running->start();
}

PagorFuncBindingResponse PagorFuncBinding::bookopenUsingStrguid(
    std::optional<std::string> strguid) {
    PagorFuncBinding_bookopen operation(shared_from_this(), this, std::move(strguid));
    return performSynchronousOperation(operation);
}

void PagorFuncBinding::bookopenAsyncUsingStrguid(std::optional<std::string> strguid,
                                                 PagorFuncBindingResponseDelegate* delegate) {
    performAsynchronousOperation(std::make_unique<PagorFuncBinding_bookopen>(
        shared_from_this(), delegate, std::move(strguid)));
}

PagorFuncBindingResponse PagorFuncBinding::synchronousUsingStrcid(
    std::optional<std::string> strcid, std::optional<std::string> strmid) {
    PagorFuncBinding_synchronous operation(shared_from_this(), this, std::move(strcid),
                                           std::move(strmid));
    return performSynchronousOperation(operation);
}

void PagorFuncBinding::synchronousAsyncUsingStrcid(std::optional<std::string> strcid,
                                                   std::optional<std::string> strmid,
                                                   PagorFuncBindingResponseDelegate* delegate) {
    performAsynchronousOperation(std::make_unique<PagorFuncBinding_synchronous>(
        shared_from_this(), delegate, std::move(strcid), std::move(strmid)));
}

PagorFuncBindingResponse PagorFuncBinding::getproxyurlUsingStrcid(std::optional<std::string> strcid,
                                                                  std::optional<double> ntype) {
    PagorFuncBinding_getproxyurl operation(shared_from_this(), this, std::move(strcid), ntype);
    return performSynchronousOperation(operation);
}

void PagorFuncBinding::getproxyurlAsyncUsingStrcid(std::optional<std::string> strcid,
                                                   std::optional<double> ntype,
                                                   PagorFuncBindingResponseDelegate* delegate) {
    performAsynchronousOperation(std::make_unique<PagorFuncBinding_getproxyurl>(
        shared_from_this(), delegate, std::move(strcid), ntype));
}

PagorFuncBindingResponse PagorFuncBinding::testUsingStrmid(std::optional<std::string> strmid) {
    PagorFuncBinding_test operation(shared_from_this(), this, std::move(strmid));
    return performSynchronousOperation(operation);
}

void PagorFuncBinding::testAsyncUsingStrmid(std::optional<std::string> strmid,
                                            PagorFuncBindingResponseDelegate* delegate) {
    performAsynchronousOperation(
        std::make_unique<PagorFuncBinding_test>(shared_from_this(), delegate, std::move(strmid)));
}

PagorFuncBindingResponse PagorFuncBinding::getversionUsingStrpid(
    std::optional<std::string> strpid, std::optional<std::string> strver) {
    PagorFuncBinding_getversion operation(shared_from_this(), this, std::move(strpid),
                                          std::move(strver));
    return performSynchronousOperation(operation);
}

void PagorFuncBinding::getversionAsyncUsingStrpid(std::optional<std::string> strpid,
                                                  std::optional<std::string> strver,
                                                  PagorFuncBindingResponseDelegate* delegate) {
    performAsynchronousOperation(std::make_unique<PagorFuncBinding_getversion>(
        shared_from_this(), delegate, std::move(strpid), std::move(strver)));
}

}  // namespace penshelf::soap
