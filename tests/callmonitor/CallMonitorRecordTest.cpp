#include "capi/NumberText.h"
#include "line/CallMonitorAddress.h"
#include "line/CallMonitorRecord.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using line::RecordKind;
using Records = std::vector<std::string>;

// Feeds a stream in pieces cut at the given sizes (the rest in one piece) and collects what
// comes out.
Records FeedInPieces(line::RecordAssembler& assembler, const std::string& stream,
                     const std::vector<std::size_t>& cuts) {
    Records out;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        for (auto& r : assembler.Feed(stream.substr(at, cut)))
            out.push_back(r);
        at += cut;
    }
    for (auto& r : assembler.Feed(stream.substr(at)))
        out.push_back(r);
    return out;
}

TEST(CallMonitorRecord, AssemblerJoinsSplitRecordsAndStripsLineEndings) {
    const std::string stream = "08.12.26 18:20:59;RING;0;0791234567;0219876543;SIP0;\r\n"
                               "08.12.26 18:21:09;DISCONNECT;0;0;\n"
                               "\n"
                               "a\rb\r\r\n"
                               "half";
    line::RecordAssembler assembler;
    // Cut inside the date, between CR and LF, and after a lone CR.
    const Records records = FeedInPieces(assembler, stream, {5, 48, 1, 33, 4});
    EXPECT_EQ(records, (Records{"08.12.26 18:20:59;RING;0;0791234567;0219876543;SIP0;",
                                "08.12.26 18:21:09;DISCONNECT;0;0;", "", "a\rb\r"}));
    EXPECT_EQ(assembler.Pending(), 4u);
    EXPECT_EQ(assembler.Feed("\n"), Records{"half"});
    EXPECT_EQ(assembler.Pending(), 0u);
}

TEST(CallMonitorRecord, AssemblerDropsOverlongLinesWholeWithoutGrowing) {
    line::RecordAssembler assembler;
    const std::string longest(line::kMaxRecordLength, 'x');
    EXPECT_EQ(assembler.Feed(longest + "\r\n"), Records{longest});

    // One byte over, sent in small pieces with the rest of the line after the limit: nothing
    // of it comes out, the buffer never holds more than a record, the next record is intact.
    const std::string tooLong(line::kMaxRecordLength + 1, 'y');
    Records out;
    std::size_t most = 0;
    for (std::size_t at = 0; at < tooLong.size(); at += 1000) {
        for (auto& r : assembler.Feed(tooLong.substr(at, 1000)))
            out.push_back(r);
        most = std::max(most, assembler.Pending());
    }
    for (int i = 0; i < 100; ++i)
        assembler.Feed(std::string(1000, 'z'));
    most = std::max(most, assembler.Pending());
    for (auto& r : assembler.Feed(";RING;\r\nnext\n"))
        out.push_back(r);
    EXPECT_EQ(out, Records{"next"});
    EXPECT_LE(most, line::kMaxRecordLength + 1);
}

// Every field of a record, "kind date type conn | extension caller called number line seconds".
std::string Fields(const std::optional<line::CallMonitorRecord>& r) {
    if (!r)
        return "<none>";
    static const char* kinds[] = {"Ring", "Call", "Connect", "Disconnect", "Other"};
    return std::string(kinds[static_cast<int>(r->kind)]) + " " + r->date + " " + r->type + " " +
           r->conn + " | " + r->extension + "," + r->caller + "," + r->called + "," + r->number +
           "," + r->line + "," + r->seconds;
}

TEST(CallMonitorRecord, ParsesEveryRecordType) {
    const std::pair<const char*, const char*> cases[] = {
        {"08.12.26 18:20:59;RING;0;0791234567;0219876543;SIP0;",
         "Ring 08.12.26 18:20:59 RING 0 | ,0791234567,0219876543,,SIP0,"},
        // Withheld caller; the trailing ";" missing and a field more than the type has are fine.
        {"01.01.27 00:00:01;RING;12;;555;ISDN;extra",
         "Ring 01.01.27 00:00:01 RING 12 | ,,555,,ISDN,"},
        {"08.12.26 18:22:00;CALL;1;4;0219876543;0041791112233;POTS;",
         "Call 08.12.26 18:22:00 CALL 1 | 4,0219876543,0041791112233,,POTS,"},
        {"08.12.26 18:22:05;CONNECT;1;4;0041791112233;",
         "Connect 08.12.26 18:22:05 CONNECT 1 | 4,,,0041791112233,,"},
        {"08.12.26 18:23:05;DISCONNECT;1;60;",
         "Disconnect 08.12.26 18:23:05 DISCONNECT 1 | ,,,,,60"},
        {"08.12.26 18:23:05;HOLD;3;x;", "Other 08.12.26 18:23:05 HOLD 3 | ,,,,,"},
    };
    for (const auto& [text, fields] : cases)
        EXPECT_EQ(Fields(line::ParseRecord(text)), fields) << text;
}

TEST(CallMonitorRecord, RejectsMalformedLines) {
    for (const char* text : {
             "", ";;;;;;", "garbage",
             "8.12.26 18:20:59;RING;0;1;2;SIP0;",  // date of the wrong shape
             "08.12.26T18:20:59;RING;0;1;2;SIP0;", // wrong separator
             "08.12.26 18:20:5x;RING;0;1;2;SIP0;", // not a digit
             "08.12.26 18:20:59;;0;1;2;SIP0;",     // no type
             "08.12.26 18:20:59;RING;x;1;2;SIP0;", // connection id not a number
             "08.12.26 18:20:59;RING;;1;2;SIP0;",  // no connection id
             "08.12.26 18:20:59;RING;0;1;2;",      // no line
             "08.12.26 18:20:59;CALL;0;4;1;SIP0;", // a field short
             "08.12.26 18:20:59;CONNECT;0;4;",     // a field short
             "08.12.26 18:20:59;DISCONNECT;0;",    // no duration
             "08.12.26 18:20:59;HOLD;",            // no connection id
         }) {
        EXPECT_FALSE(line::ParseRecord(text)) << text;
    }
}

TEST(CallMonitorRecord, CleanDigitsKeepsPrintableBytesLikeCapi) {
    EXPECT_EQ(capi::CleanNumber(std::string("0\x01"
                                            "7\t9\x1f"
                                            "1\x7f"
                                            "2 3#*+\x80\xe9\xff",
                                            17)),
              std::string("0791"
                          "2 3#*+\x80\xe9\xff"));
    EXPECT_EQ(capi::CleanNumber(std::string("\0;\n\r", 4)), "");
}

TEST(CallMonitorAddress, ParsesHostsPortsAndIpv6) {
    struct Case {
        const char* text;
        const char* host;
        std::uint16_t port;
        const char* shown;
    };
    for (const Case& c : {
             Case{"fritz.box", "fritz.box", 1012, "fritz.box:1012"},
             Case{" 192.168.178.1:2012 ", "192.168.178.1", 2012, "192.168.178.1:2012"},
             Case{"router_1.lan:65535", "router_1.lan", 65535, "router_1.lan:65535"},
             Case{"[::1]:1", "::1", 1, "[::1]:1"},
             Case{"[fe80::1%eth0]", "fe80::1%eth0", 1012, "[fe80::1%eth0]:1012"},
             Case{"2001:db8::7", "2001:db8::7", 1012, "[2001:db8::7]:1012"},
         }) {
        const auto address = line::ParseCallMonitorAddress(c.text);
        ASSERT_TRUE(address) << c.text;
        EXPECT_EQ(address->host, c.host);
        EXPECT_EQ(address->port, c.port);
        EXPECT_EQ(address->Text(), c.shown);
    }
    for (const char* text : {"", "   ", ":1012", "host:", "host:0", "host:65536", "host:12x",
                             "host:-1", "two words", "host:1:2", "[::1", "[nothost]:1", "[::1]1012",
                             "[]:1", "a:b:c", "h\xe9te", "host/path"}) {
        EXPECT_FALSE(line::ParseCallMonitorAddress(text)) << text;
    }
}

} // namespace
