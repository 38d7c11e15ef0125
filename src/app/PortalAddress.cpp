#include "app/PortalAddress.h"

#include "soap/PagorFuncBindingResponse.h"

#include <QCoreApplication>

namespace penshelf {

std::optional<std::string> proxyAddressIn(const soap::PagorFuncBindingResponse& response) {
    for (const soap::Value& part : response.bodyParts.value_or(std::vector<soap::Value>{})) {
        if (std::holds_alternative<soap::SOAPFault>(part)) continue;
        const auto* text = std::get_if<std::string>(&part);
        if (!text) return std::nullopt;
        return *text;
    }
    return std::nullopt;
}

std::string portalAddress(const std::string& base, const std::optional<std::string>& code) {
    std::string address = base + portal::query;
    if (code) address += QUrl::toPercentEncoding(QString::fromStdString(*code)).toStdString();
    return address;
}

std::optional<QUrl> portalUrl(const std::string& address) {
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) return std::nullopt;
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) {
        return std::nullopt;
    }
    return url;
}

QString portalUnavailablePage() {
    const QString title = QCoreApplication::translate("penshelf::portal", "暂时无法打开此页面");
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
               "<title>%1</title>"
               "<style>body{font-family:sans-serif;color:#444;text-align:center;margin-top:4em}"
               "h1{font-size:1.4em}</style></head><body>"
               "<h1>%1</h1>"
               "<p>%2</p>"
               "</body></html>")
        .arg(title, QCoreApplication::translate(
                        "penshelf::portal", "现在无法连接点读笔服务网站，请检查网络连接后再试。"));
}

}  // namespace penshelf
