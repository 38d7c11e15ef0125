#include "soap/PagorFuncBindingOperation.h"

#include "soap/DebugLog.h"
#include "soap/HttpReasonPhrase.h"
#include "soap/PagorFuncBinding.h"
#include "soap/PagorFuncBindingResponseDelegate.h"
#include "soap/ResponseLimits.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QTimerEvent>

#include <string_view>

namespace penshelf::soap {

namespace {

constexpr const char* httpErrorDomain = "PagorFuncBindingResponseHTTP";
// Failures of the connection itself keep Qt's codes (QNetworkReply::NetworkError).
constexpr const char* connectionErrorDomain = "QNetworkReply";

ErrorRecord bodyTooLarge() {
    return {httpErrorDomain, 2, "Response body larger than 8 MiB"};
}

std::string headerLines(const QList<QNetworkReply::RawHeaderPair>& headers) {
    std::string lines;
    for (const auto& [name, value] : headers) {
        if (!lines.empty()) lines += '\n';
        lines += name.toStdString() + ": " + value.toStdString();
    }
    return lines;
}

std::string describe(const ErrorRecord& error) {
    return error.domain + " " + std::to_string(error.code) + " " + error.description;
}

HttpResponseHead headOf(QNetworkReply& reply) {
    HttpResponseHead head;
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        head.statusCode = status.toInt();
        head.headers = reply.rawHeaderPairs();
    }
    const QByteArray mediaType = reply.rawHeader("Content-Type").split(';').first().trimmed();
    if (!mediaType.isEmpty()) head.mimeType = mediaType.toLower();
    return head;
}

bool domainMatches(QString domain, const QString& host) {
    if (domain.startsWith(u'.')) domain.remove(0, 1);
    return host.compare(domain, Qt::CaseInsensitive) == 0 ||
           host.endsWith(u'.' + domain, Qt::CaseInsensitive);
}

// The cookies the response sets for the endpoint; cookies for other hosts and cookies that
// the response expires are left out.
QList<QNetworkCookie> cookiesSetBy(const QList<QNetworkReply::RawHeaderPair>& headers,
                                   const QUrl& address) {
    QList<QNetworkCookie> cookies;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const auto& [name, value] : headers) {
        if (name.compare("Set-Cookie", Qt::CaseInsensitive) != 0) continue;
        for (QNetworkCookie cookie : QNetworkCookie::parseCookies(value)) {
            cookie.normalize(address);
            if (!domainMatches(cookie.domain(), address.host())) continue;
            if (!cookie.isSessionCookie() && cookie.expirationDate() <= now) continue;
            cookies.append(cookie);
        }
    }
    return cookies;
}

// Errors that Qt derives from the HTTP status (404, 500, ...) are not failures of the
// connection: the response head decides about those.
bool isConnectionFailure(QNetworkReply::NetworkError error) {
    return (error != QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
           error == QNetworkReply::ProtocolUnknownError || error == QNetworkReply::ProtocolFailure;
}

ErrorRecord timedOut() {
    return {connectionErrorDomain, QNetworkReply::TimeoutError, "The request timed out"};
}

ErrorRecord connectionFailure(const QNetworkReply& reply) {
    // The operation disconnects from its exchange before it aborts it, so a cancellation seen
    // here is Qt's transfer timeout giving up on a silent server.
    if (reply.error() == QNetworkReply::OperationCanceledError) return timedOut();
    return {connectionErrorDomain, static_cast<long>(reply.error()),
            reply.errorString().toStdString()};
}

// Makes Qt read no further ahead of the call than responseReadBufferBytes, however fast the body
// comes; without it, Qt's HTTP thread takes in an endless chunked body as fast as the network
// delivers it, and the call cannot stop it. That thread learns the size only from a request under
// way, and post() leaves the start of an HTTP request to the next turn of the event loop: started
// here (nothing else of the exchange is waiting then), the request takes the size along before
// any answer can arrive.
void boundReadAhead(QNetworkReply& exchange) {
    const QString scheme = exchange.url().scheme();
    if (scheme == u"http" || scheme == u"https") {
        QCoreApplication::sendPostedEvents(&exchange, QEvent::MetaCall);
    }
    exchange.setReadBufferSize(responseReadBufferBytes);
}

// Stops an exchange the operation no longer listens to. A reply with an HTTP error status is
// one Qt fails by itself (and aborting it as well only makes Qt complain); it ends then, or when
// it is deleted with its operation.
void stop(QNetworkReply& reply, QObject* listener) {
    reply.disconnect(listener);
    if (reply.manager() != nullptr) reply.manager()->disconnect(listener);
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply.isRunning() && reply.error() == QNetworkReply::NoError && status < 400) {
        reply.abort();
    }
}

}  // namespace

PagorFuncBindingOperation::PagorFuncBindingOperation(std::shared_ptr<PagorFuncBinding> binding,
                                                     PagorFuncBindingResponseDelegate* delegate)
    : binding_(std::move(binding)), delegate_(delegate) {}

PagorFuncBindingOperation::~PagorFuncBindingOperation() {
    // An operation goes away after its call, never inside a signal of its own exchange, so the
    // exchange can go at once rather than with some later turn of the event loop. A call that is
    // over has finished or stopped its exchange already.
    if (QNetworkReply* exchange = urlConnection_) {
        if (!over_) stop(*exchange, this);
        delete exchange;
    }
}

void PagorFuncBindingOperation::start() {
    main();
}

void PagorFuncBindingOperation::setUrlConnection(QNetworkReply* exchange) {
    if (QNetworkReply* previous = urlConnection_; previous != nullptr && previous != exchange) {
        stop(*previous, this);
        previous->deleteLater();  // we may be inside one of its signals
    }
    urlConnection_ = exchange;
    if (exchange == nullptr) return;
    connect(exchange, &QNetworkReply::metaDataChanged, this, [this] { onMetaDataChanged(); });
    connect(exchange, &QNetworkReply::readyRead, this, [this] { onReadyRead(); });
    connect(exchange, &QNetworkReply::finished, this, [this] { onFinished(); });
    if (QNetworkAccessManager* manager = exchange->manager()) {
        connect(manager, &QNetworkAccessManager::authenticationRequired, this,
                [this](QNetworkReply* reply, QAuthenticator* challenge) {
                    if (reply == urlConnection_ && challenge != nullptr) {
                        connection(*reply, *challenge);
                    }
                });
    }
    boundReadAhead(*exchange);
}

void PagorFuncBindingOperation::startDeadline(int milliseconds) {
    if (!over_) deadline_ = startTimer(milliseconds);
}

void PagorFuncBindingOperation::timerEvent(QTimerEvent* event) {
    if (event->timerId() == deadline_) {
        cancelWithError(timedOut());
    } else {
        QObject::timerEvent(event);
    }
}

void PagorFuncBindingOperation::connection(QNetworkReply& /*connection*/,
                                           QAuthenticator& didReceiveAuthenticationChallenge) {
    if (over_) return;
    // Qt does not say how many attempts have failed; within one exchange every challenge after
    // the first means the credentials offered were refused.
    if (challenges_++ == 0) {
        // Absent credentials are offered as empty ones. Qt keeps what it is given in memory for
        // this binding's manager only and never stores it.
        const QString user = QString::fromStdString(binding_->authUsername().value_or(""));
        const QString password = QString::fromStdString(binding_->authPassword().value_or(""));
        if (!user.isEmpty() && !password.isEmpty()) {
            didReceiveAuthenticationChallenge.setUser(user);
            didReceiveAuthenticationChallenge.setPassword(password);
            return;
        }
        // Qt takes an empty user name or password for no answer at all, so the request goes
        // again with them as Basic credentials of its own.
        resendWithCredentials(user, password);
        return;
    }
    cancelWithError({"Connection Authentication", 0, "Authentication Error"});
}

void PagorFuncBindingOperation::connection(QNetworkReply& /*connection*/,
                                           const HttpResponseHead& didReceiveResponse) {
    if (over_) return;
    const HttpResponseHead& head = didReceiveResponse;
    PagorFuncBinding& binding = *binding_;
    if (binding.logXMLInOut()) {
        debugLog("ResponseStatus: " + std::to_string(head.statusCode) + "\n");
        debugLog("ResponseHeaders:\n" + headerLines(head.headers));
    }
    binding.setCookies(cookiesSetBy(head.headers, binding.address()));

    if (!head.mimeType || !head.mimeType->contains("text/xml")) {
        if (head.statusCode < 400) {
            cancelWithError({httpErrorDomain, 1,
                             "Unexpected response MIME type to SOAP call:" +
                                 head.mimeType.value_or(QByteArray()).toStdString()});
        } else {
            cancelWithError({httpErrorDomain, head.statusCode, httpReasonPhrase(head.statusCode)});
        }
        return;
    }
    for (const auto& [name, value] : head.headers) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) != 0) continue;
        bool valid = false;
        if (value.trimmed().toLongLong(&valid) > maxResponseBodyBytes && valid) {
            cancelWithError(bodyTooLarge());
            return;
        }
    }
}

void PagorFuncBindingOperation::connection(QNetworkReply& /*connection*/,
                                           const QByteArray& didReceiveData) {
    if (over_) return;
    const qint64 received = responseData_ ? responseData_->size() : 0;
    if (received + didReceiveData.size() > maxResponseBodyBytes) {
        cancelWithError(bodyTooLarge());
        return;
    }
    if (responseData_) {
        responseData_->append(didReceiveData);
    } else {
        responseData_ = didReceiveData;
    }
}

void PagorFuncBindingOperation::connection(QNetworkReply* /*connection*/,
                                           const ErrorRecord& didFailWithError) {
    if (over_) return;
    if (binding_ && binding_->logXMLInOut()) {
        debugLog("ResponseError:\n" + describe(didFailWithError));
    }
    mutableResponse().error = didFailWithError;
    tellDelegate();
}

void PagorFuncBindingOperation::sendRequest(const std::string& operationName,
                                            const ElementMap& bodyElements) {
    response_ = PagorFuncBindingResponse{};
    const std::string envelope =
        PagorFuncBinding_envelope::sharedInstance().serializedFormUsingFunc(
            operationName, ElementMap{}, bodyElements);
    binding_->sendHTTPCallUsingBody(envelope, "urn:PagorFunc#" + operationName, *this);
}

void PagorFuncBindingOperation::decodeResponse(ReturnType returnType) {
    if (over_) return;
    if (delegate_ == nullptr) {
        tellDelegate();  // nobody to tell: the call just ends
        return;
    }
    if (!responseData_) {
        // An answer without any body bytes has no result.
        mutableResponse().bodyParts = std::vector<Value>{};
        tellDelegate();
        return;
    }
    if (binding_->logXMLInOut()) {
        debugLog("ResponseBody:\n" + QString::fromUtf8(*responseData_).toStdString());
    }
    decodeResponseBody(std::string_view(responseData_->constData(),
                                        static_cast<std::size_t>(responseData_->size())),
                       returnType, mutableResponse());
    tellDelegate();
}

void PagorFuncBindingOperation::resendWithCredentials(const QString& user,
                                                      const QString& password) {
    QNetworkReply* previous = urlConnection_;
    QNetworkAccessManager* manager = previous != nullptr ? previous->manager() : nullptr;
    if (manager == nullptr) return;
    QNetworkRequest request = previous->request();
    request.setRawHeader("Authorization", "Basic " + (user + u':' + password).toUtf8().toBase64());
    // Replacing the exchange disconnects and aborts the challenged one.
    setUrlConnection(manager->post(request, requestBody_));
}

void PagorFuncBindingOperation::onMetaDataChanged() {
    if (over_ || headReceived_ || urlConnection_ == nullptr) return;
    headReceived_ = true;
    connection(*urlConnection_, headOf(*urlConnection_));
}

void PagorFuncBindingOperation::onReadyRead() {
    if (over_ || urlConnection_ == nullptr) return;
    if (!headReceived_) onMetaDataChanged();
    if (over_) return;
    const QByteArray chunk = urlConnection_->readAll();
    if (!chunk.isEmpty()) connection(*urlConnection_, chunk);
}

void PagorFuncBindingOperation::onFinished() {
    if (over_ || urlConnection_ == nullptr) return;
    QNetworkReply& reply = *urlConnection_;
    const bool answered = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    if (!answered || isConnectionFailure(reply.error())) {
        connection(&reply, connectionFailure(reply));
        return;
    }
    if (!headReceived_ || reply.bytesAvailable() > 0) onReadyRead();
    if (over_) return;
    connectionDidFinishLoading(reply);
}

void PagorFuncBindingOperation::cancelWithError(const ErrorRecord& error) {
    QNetworkReply* reply = urlConnection_;
    // After the cancellation no further events of this exchange arrive.
    if (reply != nullptr) stop(*reply, this);
    connection(reply, error);
}

void PagorFuncBindingOperation::tellDelegate() {
    if (over_) return;
    over_ = true;
    if (deadline_ != 0) killTimer(deadline_);
    deadline_ = 0;
    // The exchange needs no disconnecting: a call ends either with its exchange finished or
    // through cancelWithError, which stops it first; whatever else arrives finds the call over.
    if (delegate_ != nullptr) delegate_->operation(*this, mutableResponse());
    if (whenOver_) whenOver_();
    if (deleteWhenOver_) deleteLater();
}

PagorFuncBindingResponse& PagorFuncBindingOperation::mutableResponse() {
    if (!response_) response_ = PagorFuncBindingResponse{};
    return *response_;
}

}  // namespace penshelf::soap
