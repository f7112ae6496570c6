#include "zq/net/ZqClientSocket.h"
#include "zq/net/ZqNetAddress.h"
#include "zq/net/ZqNetSystem.h"
#include "zq/net/ZqServerSocket.h"
#include "zq/net/ZqSocket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class SocketTest : public ::testing::Test {
protected:
    void SetUp() override { ZqNetSystem::sysInit(); }
    void TearDown() override { ZqNetSystem::sysQuit(); }

    // A connected pair over loopback: a client made by create/connect and the server's side.
    void connectPair(ZqClientSocket*& client, ZqClientSocket*& accepted) {
        m_server = ZqServerSocket::create(0);
        ASSERT_NE(m_server, nullptr);
        ASSERT_NE(m_server->getPort(), 0);
        client =
            ZqClientSocket::create(ZqNetAddress(ZqNetAddress::SOCKET_TYPE_STREAM, u"127.0.0.1", 0));
        ASSERT_NE(client, nullptr);
        ASSERT_TRUE(client->connect(u"localhost", m_server->getPort()));
        EXPECT_EQ(client->waitEvent(1000), ZqClientSocket::EVENT_WRITE);
        ZqNetAddress peer;
        for (int i = 0; i < 100 && (accepted = m_server->accept(&peer)) == nullptr; ++i) {
        }
        ASSERT_NE(accepted, nullptr);
        EXPECT_EQ(peer.getAddress()[0], 127);
        EXPECT_NE(peer.getPort(), 0);
    }

    ZqServerSocket* m_server = nullptr;
};

TEST_F(SocketTest, AddressesResolveAndPrint) {
    ZqNetAddress none;
    EXPECT_EQ(none.getSockaddrIn().family, 0);
    EXPECT_EQ(none.getPort(), 0);

    ZqNetAddress a;
    EXPECT_FALSE(a.setAddress(3, u"127.0.0.1", 80));
    EXPECT_EQ(a.getSockaddrIn().family, zqp::SockAddrIn::FAMILY_INET);
    EXPECT_EQ(std::memcmp(a.getAddress(), "\xFF\xFF\xFF\xFF", 4), 0);
    EXPECT_FALSE(a.setAddress(ZqNetAddress::SOCKET_TYPE_STREAM, u"", 80));
    EXPECT_EQ(std::memcmp(a.getAddress(), "\xFF\xFF\xFF\xFF", 4), 0);
    EXPECT_FALSE(a.setAddress(ZqNetAddress::SOCKET_TYPE_STREAM, nullptr, 80));

    ASSERT_TRUE(a.setAddress(ZqNetAddress::SOCKET_TYPE_DATAGRAM, u"127.0.0.1", 8080));
    EXPECT_EQ(a.getPort(), 8080);
    EXPECT_EQ(std::memcmp(a.getAddress(), "\x7F\x00\x00\x01", 4), 0);
    ZqString text;
    ASSERT_TRUE(a.calcString(text));
    EXPECT_EQ(text, u"[localhost](127.0.0.1):8080");
    const ZqNetAddress copy = a;
    EXPECT_EQ(std::memcmp(&copy.getSockaddrIn(), &a.getSockaddrIn(), sizeof(zqp::SockAddrIn)), 0);

    ZqVector<ZqNetAddress> list;
    ASSERT_TRUE(
        ZqNetAddress::createAddresses(list, ZqNetAddress::SOCKET_TYPE_STREAM, u"localhost", 99));
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list[0].getPort(), 99);
    EXPECT_EQ(list[0].getAddress()[0], 127);
    EXPECT_FALSE(ZqNetAddress::createAddresses(list, ZqNetAddress::SOCKET_TYPE_STREAM, u"", 99));

    ZqString host;
    ASSERT_TRUE(zqGetHostName(host));
    EXPECT_FALSE(host.empty());
}

TEST_F(SocketTest, TcpExchangesDataAndReportsItsEvents) {
    ZqClientSocket* client = nullptr;
    ZqClientSocket* accepted = nullptr;
    ASSERT_NO_FATAL_FAILURE(connectPair(client, accepted));
    EXPECT_EQ(m_server->accept(nullptr), nullptr);

    // Nothing to read yet, and write was reported once already.
    EXPECT_EQ(client->waitEvent(0), 0u);
    EXPECT_TRUE(client->send("hello", 5));
    EXPECT_TRUE(client->send("", 0));
    EXPECT_FALSE(client->send(nullptr, 1));
    EXPECT_FALSE(client->send("x", -1));
    EXPECT_EQ(accepted->waitEvent(1000) & ZqClientSocket::EVENT_READ, ZqClientSocket::EVENT_READ);
    // Read rests until the next receive.
    EXPECT_EQ(accepted->waitEvent(0) & ZqClientSocket::EVENT_READ, 0u);
    char buffer[16] = {};
    EXPECT_EQ(accepted->receive(buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(accepted->receive(nullptr, 4), -1);
    EXPECT_EQ(accepted->receive(buffer, -1), -1);
    // Nothing waiting on a non-blocking socket.
    EXPECT_EQ(accepted->receive(buffer, sizeof buffer), -1);

    // The peer closes: the other side hears of it, and receive gives 0.
    EXPECT_EQ(accepted->release(), 0u);
    EXPECT_EQ(client->waitEvent(1000), ZqClientSocket::EVENT_CLOSE);
    EXPECT_EQ(client->receive(buffer, sizeof buffer), 0);
    client->release();
    EXPECT_EQ(ZqClientSocket::getNrInstances(), 0u);
}

TEST_F(SocketTest, SendOnAFullBufferFailsAndWriteIsReportedAgain) {
    ZqClientSocket* client = nullptr;
    ZqClientSocket* accepted = nullptr;
    ASSERT_NO_FATAL_FAILURE(connectPair(client, accepted));
    // The peer never reads: the buffers fill up and a send finds no room.
    const std::vector<char> chunk(256 * 1024, 'x');
    bool refused = false;
    for (int i = 0; i < 4096 && !refused; ++i) {
        refused = !client->send(chunk.data(), static_cast<int>(chunk.size()));
    }
    ASSERT_TRUE(refused);
    // Once the peer drains, room to write is reported again.
    std::vector<char> sink(1 << 20);
    uint32_t events = 0;
    for (int i = 0; i < 4096 && events == 0; ++i) {
        accepted->receive(sink.data(), static_cast<int>(sink.size()));
        events = client->waitEvent(1);
    }
    EXPECT_EQ(events, ZqClientSocket::EVENT_WRITE);
    EXPECT_EQ(client->waitEvent(0), 0u);
}

TEST_F(SocketTest, ConnectToAClosedPortReportsClose) {
    ZqServerSocket* const server = ZqServerSocket::create(0);
    ASSERT_NE(server, nullptr);
    const uint16_t port = server->getPort();
    server->release();
    ZqClientSocket* const client =
        ZqClientSocket::create(ZqNetAddress(ZqNetAddress::SOCKET_TYPE_STREAM, u"0.0.0.0", 0));
    ASSERT_NE(client, nullptr);
    if (client->connect(ZqNetAddress(ZqNetAddress::SOCKET_TYPE_STREAM, u"127.0.0.1", port))) {
        EXPECT_EQ(client->waitEvent(1000), ZqClientSocket::EVENT_CLOSE);
    }
    EXPECT_FALSE(client->connect(u"", 80));
    // Not IPv4: no socket.
    EXPECT_EQ(ZqClientSocket::create(ZqNetAddress()), nullptr);
}

TEST_F(SocketTest, UdpSendsAndWaitsBounded) {
    ZqSocket* const a = ZqSocket::create(0);
    ZqSocket* const b = ZqSocket::create(0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const ZqNetAddress toB(ZqNetAddress::SOCKET_TYPE_DATAGRAM, u"127.0.0.1", b->getPort());
    EXPECT_TRUE(a->sendTo("ping", 4, &toB, 1000));
    EXPECT_TRUE(a->sendTo(nullptr, 0, &toB, 1000));
    EXPECT_FALSE(a->sendTo("ping", 4, nullptr, 1000));
    EXPECT_FALSE(a->sendTo("ping", -1, &toB, 1000));
    char buffer[8] = {};
    ZqNetAddress from;
    EXPECT_EQ(b->receiveFrom(buffer, sizeof buffer, &from, 1000), 4);
    EXPECT_EQ(std::string(buffer, 4), "ping");
    EXPECT_EQ(from.getPort(), a->getPort());
    // The empty datagram sent above was skipped: nothing more arrives.
    EXPECT_EQ(b->receiveFrom(buffer, sizeof buffer, nullptr, 10), -1);
    EXPECT_EQ(b->receiveFrom(nullptr, 4, nullptr, 10), -1);

    // Two of the same port cannot be bound.
    EXPECT_EQ(ZqSocket::create(b->getPort()), nullptr);
    // Sockets still open at shut-down are closed and counted.
    EXPECT_EQ(ZqSocket::sysQuit(), 2u);
    ZqSocket::sysInit();
}

TEST(ZqSocketTimeout, SplitsIntoSecondsAndMicroseconds) {
    const struct {
        uint32_t ms;
        int64_t seconds;
        int64_t microseconds;
    } rows[] = {{0, 0, 0},    {1, 0, 1000},      {999, 0, 999000},
                {1000, 1, 0}, {1500, 1, 500000}, {0xFFFFFFFFu, 4294967, 295000}};
    for (const auto& r : rows) {
        const zqp::NetTimeout t = ZqSocket::splitTimeout(r.ms);
        EXPECT_EQ(t.seconds, r.seconds) << r.ms;
        EXPECT_EQ(t.microseconds, r.microseconds) << r.ms;
    }
}

TEST_F(SocketTest, InterfaceTableListsLoopbackWithoutHardwareAddress) {
    std::vector<zqp::InterfaceRow> rows;
    ASSERT_TRUE(zqp::readInterfaceTable(rows));
    ASSERT_EQ(ZqNetSystem::getNrInterfaces(), rows.size());
    bool sawLoopback = false;
    for (uint32_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(ZqNetSystem::getInterfaceIndex(i), rows[i].index);
        const uint8_t* const mac = ZqNetSystem::getInterfaceMacAddress(i);
        if (rows[i].type == zqp::INTERFACE_TYPE_ETHERNET) {
            ASSERT_NE(mac, nullptr);
            EXPECT_EQ(rows[i].physicalAddressLength, 6u);
            EXPECT_EQ(std::memcmp(mac, rows[i].physicalAddress, 6), 0);
        } else {
            EXPECT_EQ(mac, nullptr);
        }
        sawLoopback |= rows[i].type == zqp::INTERFACE_TYPE_LOOPBACK;
    }
    EXPECT_TRUE(sawLoopback);
    const uint32_t past = ZqNetSystem::getNrInterfaces();
    EXPECT_EQ(ZqNetSystem::getInterfaceIndex(past), 0u);
    EXPECT_EQ(ZqNetSystem::getInterfaceMacAddress(past), nullptr);
    EXPECT_TRUE(ZqNetSystem::updateInterfaceInfo());
    EXPECT_EQ(ZqNetSystem::getNrInterfaces(), past);
}

} // namespace
