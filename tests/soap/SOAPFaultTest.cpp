#include "soap/SOAPFault.h"

#include "soap/SoapTestSupport.h"

#include <gtest/gtest.h>

using namespace penshelf::soap;
using namespace penshelf::test;

namespace {

SOAPFault faultOf(const std::string& xml) {
    XmlDocument doc = parseXml(xml);
    EXPECT_NE(doc, nullptr) << xml;
    return SOAPFault::deserializeNode(rootOf(doc));
}

const std::string kTrace =
    "System.Web.Services.Protocols.SoapException: Server was unable to process request.\n"
    "   at PagorFunc.getproxyurl(String strcid, Int32 ntype)\n"
    "   at System.Web.Services.Protocols.LogicalMethodInfo.Invoke()";

}  // namespace

TEST(SOAPFault, ReadsSoap11Fields) {
    const SOAPFault fault = faultOf(
        "<soap:Fault xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<faultcode>soap:Server</faultcode>"
        "<faultstring>" +
        kTrace +
        "</faultstring>"
        "<faultactor>http://host/PagorFunc.php</faultactor>"
        "<detail>x &amp;lt; y</detail>"
        "</soap:Fault>");
    EXPECT_EQ(fault.faultcode, "soap:Server");
    EXPECT_EQ(fault.faultstring, kTrace);
    EXPECT_EQ(fault.faultactor, "http://host/PagorFunc.php");
    EXPECT_EQ(fault.detail, "x < y");
    EXPECT_EQ(fault.simpleFaultString(), "Server was unable to process request.");
}

TEST(SOAPFault, LaterSoap11ChildOverwritesEarlierOne) {
    const SOAPFault fault = faultOf(
        "<s:Fault xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\">"
        "<faultstring>first</faultstring><!-- note --><faultstring>second</faultstring>"
        "<faultcode/></s:Fault>");
    EXPECT_EQ(fault.faultstring, "second");
    EXPECT_EQ(fault.faultcode, std::nullopt);
    EXPECT_EQ(fault.faultactor, std::nullopt);
    EXPECT_EQ(fault.detail, std::nullopt);
}

TEST(SOAPFault, ReadsSoap12Fields) {
    const SOAPFault fault = faultOf(
        "<env:Fault xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\">"
        "<env:Code><env:Subcode><env:Value>m:Inner</env:Value></env:Subcode>"
        "<env:Value>env:Sender</env:Value><env:Value>env:Later</env:Value></env:Code>"
        "<env:Reason><env:Text xml:lang=\"en\">Bad &amp;lt;id&gt;. </env:Text>"
        "<env:Text xml:lang=\"zh\">错误</env:Text></env:Reason>"
        "<env:Node>http://node</env:Node>"
        "<env:Detail>inside<e:x xmlns:e=\"urn:e\">deeper</e:x></env:Detail>"
        "</env:Fault>");
    EXPECT_EQ(fault.faultcode, "env:Sender");
    // The reason's texts run together and are decoded by the parser only.
    EXPECT_EQ(fault.faultstring, "Bad &lt;id>. 错误");
    EXPECT_EQ(fault.faultactor, "http://node");
    EXPECT_EQ(fault.detail, "inside");
}

TEST(SOAPFault, OtherNamespacesGiveAnEmptyRecord) {
    for (const std::string xml : {
             "<Fault><faultcode>c</faultcode><faultstring>s</faultstring></Fault>",
             "<f:Fault xmlns:f=\"urn:other\"><faultcode>c</faultcode><Reason>r</Reason></f:Fault>",
             "<Fault xmlns=\"http://schemas.xmlsoap.org/soap/envelope\"><faultcode>c</faultcode>"
             "</Fault>",
         }) {
        EXPECT_EQ(faultOf(xml), SOAPFault{}) << xml;
    }
    EXPECT_EQ(SOAPFault::deserializeNode(nullptr), SOAPFault{});
}

TEST(SOAPFault, SimpleFaultStringDropsExceptionNamesAndTrace) {
    SOAPFault fault;
    EXPECT_EQ(fault.simpleFaultString(), std::nullopt);

    fault.faultstring = "plain message";
    EXPECT_EQ(fault.simpleFaultString(), "plain message");

    fault.faultstring =
        "System.Web.Services.Protocols.SoapException: outer "
        "System.Web.Services.Protocols.SoapException: inner\nsecond line\n   at trace";
    EXPECT_EQ(fault.simpleFaultString(), "outer inner\nsecond line");

    // Without its trailing space the name is not the prefix that gets removed.
    fault.faultstring = "System.Web.Services.Protocols.SoapException:x\n  at not a trace";
    EXPECT_EQ(fault.simpleFaultString(), fault.faultstring);
}
