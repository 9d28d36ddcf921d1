#include "phonebook/DialUp.h"
#include "platform/NetInterfaces.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include <net/if.h>
#include <unistd.h>

namespace {

class DialUpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tintorel-ifaces-XXXXXX";
        int fd = mkstemp(tmpl);
        ASSERT_GE(fd, 0);
        close(fd);
        m_file = tmpl;
        setenv("TINTOREL_FAKE_IFACES", m_file.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TINTOREL_FAKE_IFACES");
        unlink(m_file.c_str());
    }
    bool With(const std::string& list) {
        std::ofstream(m_file, std::ios::trunc) << list;
        return IsDialUpConnected();
    }
    std::string m_file;
};

TEST_F(DialUpTest, OnlyAPointToPointLinkUpAndRunningCounts) {
    EXPECT_FALSE(With(""));
    EXPECT_FALSE(With("lo UP RUNNING LOOPBACK\neth0 UP RUNNING\n"));
    EXPECT_TRUE(With("lo UP RUNNING LOOPBACK\nppp0 UP RUNNING POINTOPOINT\n"));
    EXPECT_FALSE(With("ppp0 UP POINTOPOINT\n"));      // still dialling
    EXPECT_FALSE(With("ppp0 RUNNING POINTOPOINT\n")); // taken down
    EXPECT_FALSE(With("# ppp0 UP RUNNING POINTOPOINT\n"));
    // Flags of one interface listed twice (one line per address) add up.
    EXPECT_TRUE(With("ppp0 UP POINTOPOINT\nppp0 RUNNING\n"));
    // Two links up at once are no less a connection than one.
    EXPECT_TRUE(With("ppp0 UP RUNNING POINTOPOINT\nppp1 UP RUNNING POINTOPOINT\n"));
    unlink(m_file.c_str());
    EXPECT_FALSE(IsDialUpConnected()); // an unreadable list holds no link
}

TEST(NetInterfacesTest, RealListNamesEachInterfaceOnce) {
    unsetenv("TINTOREL_FAKE_IFACES");
    std::set<std::string> names;
    for (const auto& item : platform::ListNetInterfaces()) {
        EXPECT_TRUE(names.insert(item.name).second) << item.name;
        if (item.name == "lo") {
            EXPECT_TRUE(item.flags & IFF_LOOPBACK);
        }
    }
}

} // namespace
