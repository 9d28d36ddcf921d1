// The client against a broker that asks for more: a user and password, TLS with a test
// certificate authority, and hostile payloads among good calls.

#include "line/MqttClient.h"
#include "tests/mqtt/MqttTestCopy.h"
#include "tests/support/MosquittoBroker.h"
#include "tests/support/StdoutCapture.h"
#include "tests/support/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace std::chrono_literals;
using line::LineState;
using testing_support::MqttTestClient;
using testing_support::TestCopy;

namespace {

std::string Record(const std::string& id, const std::string& calling,
                   const std::string& extra = {}) {
    return R"({"id": ")" + id + R"(", "origin": "tintorel-x-00000009", "calling": ")" + calling +
           R"(", "called": "0219876543")" + extra + "}";
}

line::IncomingCall CallFrom(const std::string& calling) {
    line::IncomingCall call;
    call.calling = calling;
    call.called = "0219876543";
    return call;
}

} // namespace

TEST(MqttBroker, AUserAndPasswordRequiredByTheBroker) {
    testing_support::TestEnv env;
    testing_support::StdoutCapture out;
    testing_support::MosquittoBroker broker(env.Dir());
    ASSERT_TRUE(broker.RequirePassword("bureau", "s3cr@t:pw"));
    ASSERT_TRUE(broker.Start()) << broker.Log();

    // Without, and with a wrong password: refused, and the password is never said.
    TestCopy anonymous("tintorel-a-00000001"), wrong("tintorel-w-00000003");
    ASSERT_TRUE(anonymous.client.Start(broker.Url()));
    ASSERT_TRUE(wrong.client.Start(broker.Url("bureau:wr0ng")));
    ASSERT_TRUE(anonymous.WaitForState(LineState::Refused));
    ASSERT_TRUE(wrong.WaitForState(LineState::Refused));
    EXPECT_EQ(wrong.client.Status().reason, line::kMqttNotAuthorised);
    EXPECT_EQ(wrong.client.Status().address, "bureau@127.0.0.1:" + std::to_string(broker.Port()));
    EXPECT_GT(wrong.client.Status().retryIn, 0);

    // Percent-encoded, the "@" and the ":" of the password reach the broker as they are.
    TestCopy a("tintorel-a-00000001"), b("tintorel-b-00000002");
    ASSERT_TRUE(a.Connect(broker.Url("bureau:s3cr%40t%3Apw")));
    ASSERT_TRUE(b.Connect(broker.Url("bureau:s3cr@t%3apw", "maison/bureau")));
    a.client.Share(CallFrom("0791234567"), "");
    // Another prefix is another household.
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(b.Calls().empty());
    TestCopy c("tintorel-c-00000004");
    ASSERT_TRUE(c.Connect(broker.Url("bureau:s3cr%40t%3Apw", "maison/bureau/")));
    b.client.Share(CallFrom("0791234567"), "");
    ASSERT_TRUE(c.WaitForCalls(1));

    EXPECT_EQ(out.Count("MQTT lost: user name or password refused\n"), 2) << out.Text();
    EXPECT_EQ(out.Text().find("wr0ng"), std::string::npos);
    EXPECT_EQ(out.Text().find("s3cr"), std::string::npos);
}

TEST(MqttBroker, TlsWithATestCertificateAuthorityAndTheHostNameChecked) {
    testing_support::TestEnv env;
    ASSERT_TRUE(testing_support::MakeTestCertificates(env.Dir(), "localhost"))
        << env.ReadFile("openssl.log");
    testing_support::MosquittoBroker broker(env.Dir());
    broker.UseTls(env.Path("server.crt"), env.Path("server.key"));
    ASSERT_TRUE(broker.Start()) << broker.Log();
    const std::string port = std::to_string(broker.Port());

    // Not trusted yet: the system's authorities don't know the test's.
    TestCopy untrusted("tintorel-u-00000005");
    ASSERT_TRUE(untrusted.client.Start("mqtts://localhost:" + port));
    ASSERT_TRUE(untrusted.WaitForState(LineState::Lost));
    EXPECT_EQ(untrusted.client.Status().reason, "certificate verify failed");
    untrusted.client.Stop();

    // Trusted the standard OpenSSL way.
    setenv("SSL_CERT_FILE", env.Path("ca.crt").c_str(), 1);
    TestCopy a("tintorel-a-00000001"), b("tintorel-b-00000002");
    ASSERT_TRUE(a.Connect("mqtts://localhost:" + port)) << broker.Log();
    ASSERT_TRUE(b.Connect("mqtts://localhost:" + port));
    a.client.Share(CallFrom("0791234567"), "");
    ASSERT_TRUE(b.WaitForCalls(1));
    EXPECT_EQ(b.Calls()[0].calling, "0791234567");

    // The certificate is for localhost, not for 127.0.0.1.
    TestCopy otherName("tintorel-o-00000006");
    ASSERT_TRUE(otherName.client.Start("mqtts://127.0.0.1:" + port));
    ASSERT_TRUE(otherName.WaitForState(LineState::Lost));
    EXPECT_EQ(otherName.client.Status().reason, "host name verification failed");
    std::this_thread::sleep_for(200ms);
    EXPECT_NE(otherName.States().back(), LineState::Connected);
    unsetenv("SSL_CERT_FILE");
}

TEST(MqttBroker, HostilePayloadsAreIgnoredWhileGoodCallsGetThrough) {
    testing_support::TestEnv env;
    testing_support::StdoutCapture out;
    testing_support::MosquittoBroker broker(env.Dir());
    ASSERT_TRUE(broker.Start()) << broker.Log();
    const std::string topic = "tintorel/call";
    MqttTestClient hostile(broker, "hostile");
    ASSERT_TRUE(hostile.Connected());
    // An old record left retained is not a call now.
    ASSERT_TRUE(hostile.Publish(topic, Record("r1", "0322222222"), true));
    TestCopy b("tintorel-b-00000002");
    ASSERT_TRUE(b.Connect(broker.Url()));

    const std::vector<std::string> bad = {
        "not json at all",
        std::string("\0\xff\xfe{", 4),
        "[\"calling\", \"called\"]",
        R"({"calling": "0791234567"})",
        R"({"called": "0219876543"})",
        R"({"calling": 791234567, "called": "0219876543"})",
        R"({"calling": "0791234567", "called": ["0219876543"]})",
        Record("c1", "0791234567", R"(, "name": "a\u0007b")"),
        Record("c2", "0791234567\n"),
        Record("c3", "0791234567", R"(, "name": 12)"),
        Record("c4", "0791234567", R"(, "event_type": "hangup")"),
        Record("c5", "0791234567", ", \"name\": \"" + std::string(5000, 'x') + "\""),
    };
    ASSERT_TRUE(hostile.Publish(topic, Record("good-1", "0311111111")));
    for (const std::string& payload : bad)
        ASSERT_TRUE(hostile.Publish(topic, payload));
    // A record of B's own is not news.
    ASSERT_TRUE(hostile.Publish(
        topic,
        R"({"id": "own", "origin": "tintorel-b-00000002", "calling": "0333", "called": "1"})"));
    ASSERT_TRUE(hostile.Publish(topic, Record("good-2", "07912\xe2\x82\xac")));
    ASSERT_TRUE(hostile.Publish(topic, Record("good-3", "", R"(, "name": "Z\u00fcrich \u2603")")));
    // QoS 1 may bring a record twice: handled once.
    ASSERT_TRUE(hostile.Publish(topic, Record("good-3", "")));
    // A flood of rubbish does not hold the next good call.
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(hostile.Publish(topic, std::string(static_cast<std::size_t>(i % 50), '{')));
    ASSERT_TRUE(hostile.Publish(topic, Record("good-4", "0344444444")));
    ASSERT_TRUE(hostile.Publish("tintorel/call/other", Record("elsewhere", "0355555555")));

    ASSERT_TRUE(b.WaitForCalls(4));
    std::this_thread::sleep_for(300ms);
    std::vector<std::string> got;
    for (const auto& call : b.Calls())
        got.push_back(call.calling + "|" + call.name);
    // The euro sign has a Windows-1252 form (0x80); the snowman does not and becomes "?".
    EXPECT_EQ(got, (std::vector<std::string>{"0311111111|", "07912\x80|", "|Z\xfcrich ?",
                                             "0344444444|"}));
    EXPECT_TRUE(b.client.Status().state == LineState::Connected);
    // Said at once the first time, then at most once a minute.
    EXPECT_EQ(out.Count("MQTT: 1 message ignored, not a call record\n"), 1) << out.Text();
    EXPECT_EQ(out.Count("MQTT: "), 1) << out.Text();
}

TEST(MqttBroker, AFloodOfCallsKeepsTheNewestAndHoldsNoMore) {
    testing_support::TestEnv env;
    testing_support::MosquittoBroker broker(env.Dir());
    ASSERT_TRUE(broker.Start()) << broker.Log();
    // Each call takes a while to handle, as a directory lookup would.
    TestCopy b("tintorel-b-00000002", 200ms);
    ASSERT_TRUE(b.Connect(broker.Url()));
    MqttTestClient flood(broker, "flood");
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(flood.Publish(
            "tintorel/call", Record("f" + std::to_string(i), "07" + std::to_string(10000000 + i))));
    // The network never waits for the handler: B still answers at once.
    MqttTestClient probe(broker, "probe");
    ASSERT_TRUE(probe.Subscribe("tintorel/status/#"));
    ASSERT_TRUE(probe.WaitForMessages(1));

    ASSERT_TRUE(b.WaitForCalls(2));
    std::this_thread::sleep_for(4s);
    const auto calls = b.Calls();
    EXPECT_LE(calls.size(), 20u);
    EXPECT_EQ(calls.back().calling, "0710000299");
}
