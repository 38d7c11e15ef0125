#include "soap/SOAPFault.h"

#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;
using namespace penshelf::test;

namespace {

const std::string trace =
    "System.Web.Services.Protocols.SoapException: Server was unable to process request.\n"
    "   at PagorFunc.getproxyurl(String strcid, Int32 ntype)\n"
    "   at System.Web.Services.Protocols.LogicalMethodInfo.Invoke()";

}  // namespace

TEST(SOAPFault, ReadsTheFieldsOfBothSoapVersionsOnly) {
    const std::pair<std::string, SOAPFault> cases[] = {
        {"<soap:Fault xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<faultcode>soap:Server</faultcode><faultstring>" +
             trace +
             "</faultstring><faultactor>http://host/PagorFunc.php</faultactor>"
             "<detail>x &amp;lt; y</detail></soap:Fault>",
         {"soap:Server", trace, "http://host/PagorFunc.php", "x < y"}},
        // A later child overwrites an earlier one; an empty one is absent.
        {"<s:Fault xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
         "<faultstring>first</faultstring><!-- note --><faultstring>second</faultstring>"
         "<faultcode/></s:Fault>",
         {std::nullopt, "second", std::nullopt, std::nullopt}},
        // SOAP 1.2: the reason's texts run together and are decoded by the parser only.
        {"<env:Fault xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\">"
         "<env:Code><env:Subcode><env:Value>m:Inner</env:Value></env:Subcode>"
         "<env:Value>env:Sender</env:Value><env:Value>env:Later</env:Value></env:Code>"
         "<env:Reason><env:Text xml:lang=\"en\">Bad &amp;lt;id&gt;. </env:Text>"
         "<env:Text xml:lang=\"zh\">错误</env:Text></env:Reason>"
         "<env:Node>http://node</env:Node>"
         "<env:Detail>inside<e:x xmlns:e=\"urn:e\">deeper</e:x></env:Detail></env:Fault>",
         {"env:Sender", "Bad &lt;id>. 错误", "http://node", "inside"}},
        // Other namespaces give an empty record.
        {"<Fault><faultcode>c</faultcode><faultstring>s</faultstring></Fault>", {}},
        {"<Fault xmlns=\"http://schemas.xmlsoap.org/soap/envelope\"><faultcode>c</faultcode>"
         "</Fault>",
         {}},
    };
    for (const auto& [xml, fault] : cases) {
        const XmlDocument doc = parseXml(xml);
        ASSERT_NE(doc, nullptr) << xml;
        EXPECT_EQ(SOAPFault::deserializeNode(rootOf(doc)), fault) << xml;
    }
    EXPECT_EQ(SOAPFault::deserializeNode(nullptr), SOAPFault{});
}

TEST(SOAPFault, SimpleFaultStringDropsExceptionNamesAndTrace) {
    SOAPFault fault;
    EXPECT_EQ(fault.simpleFaultString(), std::nullopt);
    for (const auto& [text, simple] : std::vector<std::pair<std::string, std::string>>{
             {"plain message", "plain message"},
             {trace, "Server was unable to process request."},
             {"System.Web.Services.Protocols.SoapException: outer "
              "System.Web.Services.Protocols.SoapException: inner\nsecond line\n   at trace",
              "outer inner\nsecond line"},
             // Without its trailing space the name is not the prefix that gets removed.
             {"System.Web.Services.Protocols.SoapException:x\n  at not a trace",
              "System.Web.Services.Protocols.SoapException:x\n  at not a trace"}}) {
        fault.faultstring = text;
        EXPECT_EQ(fault.simpleFaultString(), simple);
    }
}
