#pragma once
// One call to the PagorFunc service in flight: it sends its operation's request through the
// binding, receives the HTTP events of the exchange and tells its delegate once when it is over.
// Each service operation derives from it (PagorFuncBindingOperations.h).

#include "soap/ErrorRecord.h"
#include "soap/PagorFuncBindingResponse.h"
#include "soap/PagorFuncBinding_envelope.h"
#include "soap/ResponseDecoding.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAuthenticator;

namespace penshelf::soap {

class PagorFuncBinding;
class PagorFuncBindingResponseDelegate;

// What the response head of an exchange says, as the operation looks at it.
struct HttpResponseHead {
    int statusCode = 0;  // 0 when the answer was not HTTP
    QList<QNetworkReply::RawHeaderPair> headers;
    // The media type of Content-Type without parameters, lower-cased; absent without one.
    std::optional<QByteArray> mimeType;
};

class PagorFuncBindingOperation : public QObject {
  public:
    // The operation shares ownership of its binding, so the binding lives at least until the
    // call is over; it does not own its delegate.
    PagorFuncBindingOperation(std::shared_ptr<PagorFuncBinding> binding,
                              PagorFuncBindingResponseDelegate* delegate);
    ~PagorFuncBindingOperation() override;

    PagorFuncBindingOperation(const PagorFuncBindingOperation&) = delete;
    PagorFuncBindingOperation& operator=(const PagorFuncBindingOperation&) = delete;

    // Runs main() on the calling thread: a fresh response, the request built and sent. The
    // exchange goes on in the thread's event loop.
    void start();

    // Absent until the call starts.
    const std::optional<PagorFuncBindingResponse>& response() const { return response_; }

    // True once the call has ended (the delegate, if any, has been told).
    bool isOver() const { return over_; }

    // Decodes the body and tells the delegate; each operation decodes its own result type.
    virtual void connectionDidFinishLoading(QNetworkReply& connection) = 0;

  protected:
    // Builds the request and sends it through the binding.
    virtual void main() = 0;
    void timerEvent(QTimerEvent* event) override;

    // The shared halves of main() and connectionDidFinishLoading().
    void sendRequest(const std::string& operationName, const ElementMap& bodyElements);
    void decodeResponse(ReturnType returnType);

  private:
    friend class PagorFuncBinding;

    // The HTTP events of the exchange.
    void connection(QNetworkReply& connection, QAuthenticator& didReceiveAuthenticationChallenge);
    void connection(QNetworkReply& connection, const HttpResponseHead& didReceiveResponse);
    void connection(QNetworkReply& connection, const QByteArray& didReceiveData);
    void connection(QNetworkReply* connection, const ErrorRecord& didFailWithError);

    // The exchange of this call: the operation owns it and receives its events from now on.
    void setUrlConnection(QNetworkReply* exchange);
    // After this the call ends with the time-out error, however the exchange is going.
    void startDeadline(int milliseconds);
    void resendWithCredentials(const QString& user, const QString& password);
    void onMetaDataChanged();
    void onReadyRead();
    void onFinished();
    // Stops the exchange (no further events arrive) and fails the call.
    void cancelWithError(const ErrorRecord& error);
    void tellDelegate();
    PagorFuncBindingResponse& mutableResponse();

    std::shared_ptr<PagorFuncBinding> binding_;
    PagorFuncBindingResponseDelegate* delegate_;
    std::optional<PagorFuncBindingResponse> response_;
    std::optional<QByteArray> responseData_;  // the body so far; absent until the first chunk
    QPointer<QNetworkReply> urlConnection_;
    QByteArray requestBody_;  // sent again when a challenge is answered by hand
    int deadline_ = 0;        // timer for the whole call, answers to challenges included

    int challenges_ = 0;
    bool headReceived_ = false;
    bool over_ = false;
    bool deleteWhenOver_ = false;     // asynchronous calls own themselves
    std::function<void()> whenOver_;  // how a synchronous wait learns that the call is over
};

}  // namespace penshelf::soap
