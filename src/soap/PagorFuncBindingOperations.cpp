#include "soap/PagorFuncBindingOperations.h"

namespace penshelf::soap {

namespace {

// Puts a parameter that has a value into the body map; one without is left out.
template <typename T>
void put(ElementMap& elements, const char* name, const std::optional<T>& value) {
    if (value) elements.emplace(name, *value);
}

}  // namespace

PagorFuncBinding_bookopen::PagorFuncBinding_bookopen(std::shared_ptr<PagorFuncBinding> binding,
                                                     PagorFuncBindingResponseDelegate* delegate,
                                                     std::optional<std::string> strguid)
    : PagorFuncBindingOperation(std::move(binding), delegate), strguid_(std::move(strguid)) {}

void PagorFuncBinding_bookopen::main() {
    ElementMap body;
    put(body, "strguid", strguid_);
    sendRequest("bookopen", body);
}

void PagorFuncBinding_bookopen::connectionDidFinishLoading(QNetworkReply&) {
    decodeResponse(ReturnType::Number);
}

PagorFuncBinding_synchronous::PagorFuncBinding_synchronous(
    std::shared_ptr<PagorFuncBinding> binding, PagorFuncBindingResponseDelegate* delegate,
    std::optional<std::string> strcid, std::optional<std::string> strmid)
    : PagorFuncBindingOperation(std::move(binding), delegate),
      strcid_(std::move(strcid)),
      strmid_(std::move(strmid)) {}

void PagorFuncBinding_synchronous::main() {
    ElementMap body;
    put(body, "strcid", strcid_);
    put(body, "strmid", strmid_);
    sendRequest("synchronous", body);
}

void PagorFuncBinding_synchronous::connectionDidFinishLoading(QNetworkReply&) {
    decodeResponse(ReturnType::String);
}

PagorFuncBinding_getproxyurl::PagorFuncBinding_getproxyurl(
    std::shared_ptr<PagorFuncBinding> binding, PagorFuncBindingResponseDelegate* delegate,
    std::optional<std::string> strcid, std::optional<double> ntype)
    : PagorFuncBindingOperation(std::move(binding), delegate),
      strcid_(std::move(strcid)),
      ntype_(ntype) {}

void PagorFuncBinding_getproxyurl::main() {
    ElementMap body;
    put(body, "strcid", strcid_);
    put(body, "ntype", ntype_);
    sendRequest("getproxyurl", body);
}

void PagorFuncBinding_getproxyurl::connectionDidFinishLoading(QNetworkReply&) {
    decodeResponse(ReturnType::String);
}

PagorFuncBinding_test::PagorFuncBinding_test(std::shared_ptr<PagorFuncBinding> binding,
                                             PagorFuncBindingResponseDelegate* delegate,
                                             std::optional<std::string> strmid)
    : PagorFuncBindingOperation(std::move(binding), delegate), strmid_(std::move(strmid)) {}

void PagorFuncBinding_test::main() {
    ElementMap body;
    put(body, "strmid", strmid_);
    sendRequest("test", body);
}

void PagorFuncBinding_test::connectionDidFinishLoading(QNetworkReply&) {
    decodeResponse(ReturnType::String);
}

PagorFuncBinding_getversion::PagorFuncBinding_getversion(std::shared_ptr<PagorFuncBinding> binding,
                                                         PagorFuncBindingResponseDelegate* delegate,
                                                         std::optional<std::string> strpid,
                                                         std::optional<std::string> strver)
    : PagorFuncBindingOperation(std::move(binding), delegate),
      strpid_(std::move(strpid)),
      strver_(std::move(strver)) {}

void PagorFuncBinding_getversion::main() {
    ElementMap body;
    put(body, "strpid", strpid_);
    put(body, "strver", strver_);
    sendRequest("getversion", body);
}

void PagorFuncBinding_getversion::connectionDidFinishLoading(QNetworkReply&) {
    decodeResponse(ReturnType::String);
}

}  // namespace penshelf::soap
