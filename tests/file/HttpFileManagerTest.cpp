// The web-server backend against python3's http.server and against scripted
// servers that answer oddly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "HostileServer.h"
#include "ce/Network.h"
#include "file/http/HttpFileManager.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"
#include "support/HttpServers.h"
#include "support/ReadToEnd.h"

namespace {

using net_testing::PythonServer;
using net_testing::Reply;
using net_testing::ScriptedServer;
using testing_support::CaptureConsole;
using testing_support::DeviceFolder;
using testing_support::TempDir;

std::string randomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, 0);
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

std::u16string wide(const std::string& text) {
    return host::fromUtf8(text);
}

std::string rootOf(uint16_t port) {
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

// One simulated handheld with a captured console and an HTTP backend.
class HttpTest : public ::testing::Test {
  protected:
    explicit HttpTest(const std::string& extra = "") : device_("jornada720", extra) {}

    HttpFileManager& files() {
        if (!files_)
            files_ = std::make_unique<HttpFileManager>(console_);
        return *files_;
    }
    bool setRoot(const std::string& root) { return files().setRoot(wide(root).c_str()); }
    bool open(const std::string& name) {
        return files().open(wide(name).c_str(), FileManager::kOpenMode);
    }
    std::string readAll(uint32_t chunk) { return testing_support::readToEnd(files(), chunk); }
    std::string printed() const { return capture_.utf8(); }
    host::Network& network() { return device_.machine().component<host::Network>(); }

    DeviceFolder device_;
    CaptureConsole capture_;
    Console* console_ = &capture_;
    std::unique_ptr<HttpFileManager> files_;
};

// A served directory with a plain file and a gzip file made by gzip(1).
class PythonServerTest : public HttpTest {
  protected:
    void SetUp() override {
        plain_ = randomBytes(70000, 1);
        testing_support::writeBytes(dir_.path() / "plain.bin", plain_);
        testing_support::writeBytes(dir_.path() / "kernel", randomBytes(50000, 2));
        ASSERT_EQ(testing_support::run("gzip -9 -k -n '" + (dir_.path() / "kernel").string() + "'"),
                  0);
        gzipped_ = testing_support::readBytes(dir_.path() / "kernel.gz");
        server_ = std::make_unique<PythonServer>(dir_.path());
        ASSERT_TRUE(server_->running());
        ASSERT_TRUE(setRoot(rootOf(server_->port())));
    }

    TempDir dir_;
    std::string plain_, gzipped_;
    std::unique_ptr<PythonServer> server_;
};

TEST_F(PythonServerTest, ReadsFilesByteForByte) {
    EXPECT_NE(printed().find("127.0.0.1 (127.0.0.1) connected.\n"), std::string::npos);
    struct Row {
        const char* name;
        const std::string* bytes;
        uint32_t chunk;
    } rows[] = {
        {"/plain.bin", &plain_, 1024},    // whole 1 KiB pieces and a short last one
        {"/plain.bin", &plain_, 999},     // pieces that do not divide the file
        {"/kernel.gz", &gzipped_, 4096},  // stored bytes: no gzip layer here
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(open(row.name));
        EXPECT_EQ(files().size(), row.bytes->size());
        EXPECT_EQ(readAll(row.chunk), *row.bytes) << row.name;
    }
    std::string head = "open http://127.0.0.1/kernel.gz - header ";
    EXPECT_NE(printed().find(head), std::string::npos) << printed();
}

TEST_F(PythonServerTest, ServesReadsFromTheCopy) {
    ASSERT_TRUE(open("/plain.bin"));
    char a[1024], b[1024];
    ASSERT_EQ(files().read(a, 1024, FileManager::kCurrentPosition), 1024);
    size_t connects = network().connects().size();
    ASSERT_EQ(files().read(b, 1024, FileManager::kCurrentPosition), 1024);
    EXPECT_EQ(std::string(b, 1024), plain_.substr(1024, 1024));  // -1 continues at 1024
    EXPECT_EQ(files().close(), 1u);
    ASSERT_EQ(files().read(a, 100, 5), 100);  // after close: still the memory copy
    EXPECT_EQ(std::string(a, 100), plain_.substr(5, 100));
    EXPECT_EQ(network().connects().size(), connects);  // no request after the first read
    // At the end nothing; across the end the bytes up to it.
    EXPECT_EQ(files().read(a, 1024, uint32_t(plain_.size())), 0);
    EXPECT_EQ(files().read(a, 1024, uint32_t(plain_.size()) + 10), 0);
    EXPECT_EQ(files().read(a, 1024, uint32_t(plain_.size()) - 10), 10);
    EXPECT_EQ(std::string(a, 10), plain_.substr(plain_.size() - 10));
    EXPECT_TRUE(files().seek(70000 - 300));
    EXPECT_EQ(files().read(a, 1024, FileManager::kCurrentPosition), 300);
}

TEST_F(PythonServerTest, MissingFileReadsTheErrorPage) {
    ASSERT_TRUE(open("/no-such-file"));
    std::string page = readAll(512);
    EXPECT_NE(page.find("404"), std::string::npos);
}

TEST_F(HttpTest, RootForms) {
    ScriptedServer server([](const std::string&) { return Reply{""}; });
    uint16_t closed = net_testing::closedPort();
    std::string port = std::to_string(server.port());
    struct Row {
        std::string root;
        bool ok;
        const char* message;  // printed by setRoot; "" when nothing
        int port;             // of the last connect; -1 when none is made
    } rows[] = {
        {"http://127.0.0.1:" + port + "/", true, "127.0.0.1 (127.0.0.1) connected.\n",
         server.port()},
        {"HTTP://localhost:" + port + "/dir/", true, "(localhost) connected.\n", server.port()},
        {"http://127.0.0.1:" + port, true, "connected.\n", server.port()},  // no trailing '/'
        // The token after the host is the port: "dir" has the value 0.
        {"http://127.0.0.1/dir/", false, "127.0.0.1 can't connect server.\n", 0},
        {"http://127.0.0.1:" + std::to_string(closed) + "/", false, "can't connect server.\n",
         closed},
        {"ftp://127.0.0.1/", false, "", -1},               // not http
        {"httpx://127.0.0.1/", false, "", -1},             // not http either
        {"http", false, "can't get host by name.\n", -1},  // no host at all
        {"http:///", false, "can't get host by name.\n", -1},
        {"http://no-such-host.invalid/", false, "can't get host by name.\n", -1},
    };
    for (const Row& row : rows) {
        capture_.text.clear();
        network().connects().clear();
        HttpFileManager files(console_);
        capture_.text.clear();
        EXPECT_EQ(files.setRoot(wide(row.root).c_str()), row.ok) << row.root;
        if (*row.message) {
            EXPECT_NE(printed().find(row.message), std::string::npos) << printed();
        }
        if (!*row.message) {
            EXPECT_EQ(printed(), "") << row.root;
        }
        if (row.port < 0) {
            EXPECT_TRUE(network().connects().empty()) << row.root;
        } else {
            ASSERT_FALSE(network().connects().empty()) << row.root;
            EXPECT_EQ(network().connects().back().port, row.port) << row.root;
        }
    }
    EXPECT_EQ(network().openCount(), 0u);  // every test socket was closed
}

TEST_F(HttpTest, DefaultPortIs80) {
    ASSERT_FALSE(setRoot("http://127.0.0.1/"));
    // Whatever listens there or not, the connection goes to port 80.
    // A loopback address of its own keeps this apart from other servers.
    std::mt19937 random(unsigned(::getpid()));
    std::string address = "127." + std::to_string(1 + random() % 250) + "." +
                          std::to_string(random() % 250) + "." + std::to_string(2 + random() % 250);
    TempDir dir;
    testing_support::writeBytes(dir.path() / "k", "kernel bytes");
    PythonServer server(dir.path(), address, 80);
    if (!server.running()) {
        ASSERT_FALSE(network().connects().empty());
        EXPECT_EQ(network().connects().back().port, 80);
        GTEST_SKIP() << "port 80 needs privileges; the address used was checked";
    }
    files_.reset();
    ASSERT_TRUE(setRoot("http://" + address + "/"));
    EXPECT_EQ(network().connects().back().port, 80);
    ASSERT_TRUE(open("/k"));
    EXPECT_EQ(readAll(64), "kernel bytes");
}

class HttpOldResolverTest : public HttpTest {
  protected:
    HttpOldResolverTest() : HttpTest("net.dns = off\nnet.host.kernels = 127.0.0.1") {}
};

TEST_F(HttpOldResolverTest, DottedAddressWithoutResolverAndNamesFromTheTable) {
    ScriptedServer server([](const std::string&) { return Reply{"HTTP/1.0 200 OK\r\n\r\n"}; });
    std::string port = std::to_string(server.port());
    ASSERT_TRUE(setRoot("http://127.0.0.1:" + port + "/"));  // read as a dotted address
    EXPECT_EQ(printed(), "FileManager: HTTP\n127.0.0.1 (127.0.0.1) connected.\n");
    files_.reset();
    capture_.text.clear();
    ASSERT_TRUE(setRoot("http://kernels:" + port + "/"));
    EXPECT_EQ(printed(), "FileManager: HTTP\n127.0.0.1 (kernels) connected.\n");
    files_.reset();
    capture_.text.clear();
    EXPECT_FALSE(setRoot("http://localhost:" + port + "/"));
    EXPECT_EQ(printed(), "FileManager: HTTP\ncan't get host by name.\n");
}

TEST_F(HttpTest, StartupByWindowsCeVersion) {
    struct Row {
        const char* version;
        int startups;  // calls of the platform's WSAStartup
    } rows[] = {
        {"3.0", 0},   // built-in substitute
        {"3.10", 0},  // still the substitute
        {"3.11", 1},  // the platform's from 3.11 on
        {"4.20", 1},
    };
    ScriptedServer server([](const std::string&) { return Reply{""}; });
    std::string error;
    for (const Row& row : rows) {
        ASSERT_TRUE(device_.machine().profile().set("ce_version", row.version, error));
        device_.machine().counters().clear();
        {
            HttpFileManager files(console_);
            ASSERT_TRUE(files.setRoot(wide(rootOf(server.port())).c_str()));
        }
        EXPECT_EQ(device_.machine().counters()["WSAStartup"], row.startups) << row.version;
        EXPECT_EQ(device_.machine().counters()["WSACleanup"], row.startups) << row.version;
    }
    // What the platform's WinSock answers, from 3.11 on.
    struct Answer {
        const char* winsock;
        const char* message;
    } answers[] = {
        {"none", "WinSock initialize failed.\n"},
        {"2.2", "can't use WinSock DLL.\n"},
        {"1.2", "can't use WinSock DLL.\n"},
        {"1.1", "(127.0.0.1) connected.\n"},
    };
    ASSERT_TRUE(device_.machine().profile().set("ce_version", "4.20", error));
    for (const Answer& answer : answers) {
        ASSERT_TRUE(device_.machine().profile().set("net.winsock", answer.winsock, error));
        HttpFileManager files(console_);
        capture_.text.clear();
        files.setRoot(wide(rootOf(server.port())).c_str());
        EXPECT_NE(printed().find(answer.message), std::string::npos) << printed();
    }
    ce::WSADATA data;
    EXPECT_EQ(HttpFileManager::startupSubstitute(0x0101, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
    EXPECT_EQ(data.wHighVersion, 0x0101);
    EXPECT_EQ(data.iMaxSockets, 10);
    EXPECT_EQ(data.szDescription[0], 0);
}

// The HEAD response ends with the server's close; the GET response carries
// the same header and then `body`.
Reply answerWith(const std::string& header, const std::string& body, const std::string& request) {
    if (request.rfind("HEAD ", 0) == 0)
        return {header};
    return {header + body};
}

TEST_F(HttpTest, ContentLengthForms) {
    const std::string ok = "HTTP/1.0 200 OK\r\n";
    struct Row {
        std::string header;
        uint32_t size;
        const char* printed;  // null: the line with the header and content lengths
        int32_t read;         // of 128 bytes at 0
        const char* why;
    } rows[] = {
        {ok + "Content-Length: 300\r\n\r\n", 300, nullptr, 128, "the usual form"},
        {ok + "content-length:300\r\n\r\n", 300, nullptr, 128, "no space, lower case"},
        {ok + "CONTENT-LENGTH:  300\r\nServer: x\r\n\r\n", 300, nullptr, 128, "two spaces"},
        {ok + "CoNtEnT-LeNgTh: 300 \r\n\r\n", 300, nullptr, 128, "a blank after the digits"},
        {ok + "Content-Length: 300\r\nContent-Length: 300\r\n\r\n", 300, nullptr, 128,
         "the same length twice"},
        {"HTTP/1.0 200 OK\nContent-Length: 300\n\n", 300, nullptr, 128, "lines ending in LF"},
        {ok + "Content-Type: text/plain\r\n\r\n", 0, "No Content-Length.\n", 0,
         "no length: the file is empty"},
        {ok + "Content-Length-X: 300\r\n\r\n", 0, "No Content-Length.\n", 0, "another name"},
        {"", 0, "No Content-Length.\n", -1, "the server says nothing"},
        {ok + "Content-Length: 99999999999\r\n\r\n", 0, "bad Content-Length.\n", -1,
         "more than 32 bits"},
        {ok + "Content-Length: -300\r\n\r\n", 0, "bad Content-Length.\n", -1, "negative"},
        {ok + "Content-Length: +300\r\n\r\n", 0, "bad Content-Length.\n", -1, "a sign"},
        {ok + "Content-Length: 300abc\r\n\r\n", 0, "bad Content-Length.\n", -1, "junk after"},
        {ok + "Content-Length: 3 00\r\n\r\n", 0, "bad Content-Length.\n", -1, "a blank inside"},
        {ok + "Content-Length:\r\n\r\n", 0, "bad Content-Length.\n", -1, "no digits"},
        {ok + "Content-Length: 300\r\nContent-Length: 301\r\n\r\n", 0, "bad Content-Length.\n", -1,
         "two lengths that differ"},
        {"HTTX/1.0 200 OK\r\nContent-Length: 300\r\n\r\n", 0, "bad status line.\n", -1,
         "not an HTTP status line"},
    };
    for (const Row& row : rows) {
        std::string body = randomBytes(300, 3);
        ScriptedServer server(
            [&](const std::string& r) { return answerWith(row.header, body, r); });
        files_.reset();
        capture_.text.clear();
        ASSERT_TRUE(setRoot(rootOf(server.port())));
        ASSERT_TRUE(open("/k"));
        EXPECT_EQ(files().size(), row.size) << row.why;
        std::string line = row.printed ? row.printed
                                       : "open http://127.0.0.1/k - header " +
                                             std::to_string(row.header.size()) + " byte contents " +
                                             std::to_string(row.size) + " byte\n";
        EXPECT_NE(printed().find(line), std::string::npos) << row.why << printed();
        std::string buffer(128, 0);
        EXPECT_EQ(files().read(buffer.data(), 128, 0), row.read) << row.why;
        if (row.read > 0) {
            EXPECT_EQ(buffer, body.substr(0, 128)) << row.why;
            EXPECT_EQ(readAll(100), body) << row.why;  // from position 0, by pieces
        }
    }
}

TEST_F(HttpTest, RequestText) {
    ScriptedServer server([](const std::string& r) {
        return answerWith("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n", "ok", r);
    });
    ASSERT_TRUE(setRoot(rootOf(server.port())));
    ASSERT_TRUE(open("/boot/kernel.gz"));
    char buffer[8];
    EXPECT_EQ(files().read(buffer, 8, 0), 2);
    std::vector<std::string> requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);  // the test connection, HEAD, GET
    const char* agent = "\r\nUser-Agent: KESTREL/VEVA(1st impact; Windows CE; ARM)\r\n\r\n";
    EXPECT_EQ(requests[1], std::string("HEAD /boot/kernel.gz HTTP/1.0\r\nHOST: 127.0.0.1") + agent);
    EXPECT_EQ(requests[2], std::string("GET /boot/kernel.gz HTTP/1.0\r\nHOST: 127.0.0.1") + agent);
}

TEST_F(HttpTest, RequestThatDoesNotFitIsRefused) {
    ScriptedServer server([](const std::string& r) {
        return answerWith("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n", "ok", r);
    });
    ASSERT_TRUE(setRoot(rootOf(server.port())));
    // Host "127.0.0.1" (9 bytes) leaves 169 bytes of path for a HEAD request
    // and one more for a GET.
    struct Row {
        size_t path;
        uint32_t size;
        int32_t read;  // of 8 bytes at 0
        const char* why;
    } rows[] = {
        {169, 2, 2, "both requests fit"},
        {170, 0, 2, "HEAD refused; the GET's own head gives the length"},
        {171, 0, -1, "both refused: the read fails"},
    };
    for (const Row& row : rows) {
        capture_.text.clear();
        ASSERT_TRUE(open("/" + std::string(row.path - 1, 'a')));
        EXPECT_EQ(files().size(), row.size) << row.why;
        char buffer[8];
        EXPECT_EQ(files().read(buffer, 8, 0), row.read) << row.why;
        bool refused = row.path > 169;
        EXPECT_EQ(printed().find("request too long. ") != std::string::npos, refused) << printed();
    }
}

TEST_F(HttpTest, LengthAnywhereInTheHead) {
    // The head is read whole, however the receives cut it; it must end
    // within 4 KiB.
    auto padded = [](size_t before, const std::string& tail) {
        return "HTTP/1.0 200 OK\r\nX: " + std::string(before - 20, 'p') + tail;
    };
    const std::string tail = "\r\nContent-Length: 7\r\n\r\n";
    struct Row {
        std::string header;
        uint32_t size;
        int32_t read;  // of 16 bytes at 0
        const char* why;
    } rows[] = {
        {padded(255, tail), 7, 7, "name at 255 bytes"},
        {padded(250, tail), 7, 7, "name across 255 bytes"},
        {padded(239, tail), 7, 7, "value after 255 bytes"},
        {padded(4000, tail), 7, 7, "a head of 4 KiB"},
        {padded(4096 - tail.size() + 1, tail), 0, -1, "one byte more than 4 KiB"},
        {padded(100000, tail), 0, -1, "a head of 100 KB"},
        {padded(250, tail) + "1234567", 7, 7, "after the head: the body"},
    };
    for (const Row& row : rows) {
        ScriptedServer server(
            [&](const std::string& r) { return answerWith(row.header, "1234567", r); });
        files_.reset();
        capture_.text.clear();
        ASSERT_TRUE(setRoot(rootOf(server.port())));
        ASSERT_TRUE(open("/k"));
        EXPECT_EQ(files().size(), row.size) << row.why;
        char buffer[16];
        EXPECT_EQ(files().read(buffer, 16, 0), row.read) << row.why;
        if (row.read < 0) {
            EXPECT_NE(printed().find("header too long.\n"), std::string::npos) << printed();
        } else {
            EXPECT_EQ(std::string(buffer, 7), "1234567") << row.why;
        }
    }
}

TEST_F(HttpTest, OddBodies) {
    std::string header = "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n";
    struct Row {
        Reply get;
        int32_t result;       // of a read of 2000 bytes at 0
        const char* printed;  // by the failing read
        const char* why;
    } rows[] = {
        {{header + std::string(400, 'x')},
         -1,
         "content cut short: 400 of 1000 bytes.\n",
         "server closes early: an error, not a shorter file"},
        {{header + std::string(400, 'x'), true},
         -1,
         "can't receive. cause=",
         "connection reset: the read fails"},
        {{header.substr(0, 10)},
         -1,
         "header cut short after 10 bytes.\n",
         "closed inside the header"},
        {{""}, -1, "no answer.\n", "closed without a byte"},
        {{header + std::string(1200, 'y')}, 1000, "", "more than announced: the announced length"},
        {{"HTTP/1.0 200 OK\r\nContent-Length: 999\r\n\r\n" + std::string(1200, 'y')},
         999,
         "",
         "the GET's own length, not the HEAD's"},
    };
    for (const Row& row : rows) {
        ScriptedServer server([&](const std::string& r) {
            return r.rfind("HEAD ", 0) == 0 ? Reply{header} : row.get;
        });
        files_.reset();
        capture_.text.clear();
        ASSERT_TRUE(setRoot(rootOf(server.port())));
        ASSERT_TRUE(open("/k"));
        std::string buffer(2000, 0);
        EXPECT_EQ(files().read(buffer.data(), 2000, 0), row.result) << row.why;
        EXPECT_NE(printed().find(row.printed), std::string::npos) << row.why << printed();
    }
}

TEST_F(HttpTest, NoSocketLeft) {
    std::string error;
    host::MachineProfile& profile = device_.machine().profile();
    ASSERT_TRUE(profile.set("net.max_sockets", "0", error));
    EXPECT_FALSE(setRoot("http://127.0.0.1/"));
    EXPECT_EQ(printed(), "FileManager: HTTP\ncan't open socket. cause=10024\n");
    ScriptedServer server([](const std::string& r) {
        return answerWith("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\n", "ok", r);
    });
    ASSERT_TRUE(profile.set("net.max_sockets", "1", error));
    ASSERT_TRUE(setRoot(rootOf(server.port())));
    ASSERT_TRUE(open("/k"));
    ASSERT_TRUE(profile.set("net.max_sockets", "0", error));
    capture_.text.clear();
    EXPECT_EQ(files().size(), 0u);  // no HEAD: the length is 0
    char buffer[4];
    EXPECT_EQ(files().read(buffer, 4, 0), 0);  // no GET: nothing
    EXPECT_EQ(printed(), "can't open socket.\ncan't open socket.\n");
}

TEST_F(HttpTest, WriteWritesNothing) {
    char data[4] = {1, 2, 3, 4};
    EXPECT_EQ(files().write(data, 4, 0), 0);
    EXPECT_EQ(printed(), "FileManager: HTTP\n");
}

}  // namespace

namespace {

// The whole stack as the boot makes it: the gzip layer over the web server.
TEST_F(PythonServerTest, ThroughTheGzipLayer) {
    std::unique_ptr<FileManager> files(FileManager::create(console_, FileManager::kHttp));
    ASSERT_TRUE(files);
    ASSERT_TRUE(files->setRoot(wide(rootOf(server_->port())).c_str()));
    std::string kernel = testing_support::readBytes(dir_.path() / "kernel");
    struct Row {
        const char* name;
        const std::string* content;
    } rows[] = {
        {"/kernel.gz", &kernel},  // decompressed on the way
        {"/plain.bin", &plain_},  // passed through
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(files->open(wide(row.name).c_str(), FileManager::kOpenMode));
        EXPECT_EQ(files->realSize(), row.content->size()) << row.name;
        std::string out(row.content->size() + 100, 0);
        uint32_t total = 0;
        for (int32_t n; (n = files->read(&out[total], 4000, FileManager::kCurrentPosition)) > 0;)
            total += uint32_t(n);
        EXPECT_EQ(total, row.content->size()) << row.name;
        EXPECT_TRUE(out.substr(0, total) == *row.content) << row.name;
        // Backwards: the gzip layer starts again from the memory copy.
        char piece[64];
        ASSERT_EQ(files->read(piece, 64, 1000), 64) << row.name;
        EXPECT_EQ(std::string(piece, 64), row.content->substr(1000, 64)) << row.name;
        files->close();
    }
}

}  // namespace

namespace {

TEST_F(PythonServerTest, KestrelUtilCat) {
    TempDir out;
    std::string util = KESTREL_BINARY_DIR "/host/tools/kestrel-util";
    std::string file = (out.path() / "out").string();
    ASSERT_EQ(testing_support::run(util + " cat " + rootOf(server_->port()) + " /kernel.gz >'" +
                                   file + "' 2>/dev/null"),
              0);
    EXPECT_TRUE(testing_support::readBytes(file) ==
                testing_support::readBytes(dir_.path() / "kernel"));
}

}  // namespace

namespace {

// A real peer that misbehaves (tests/net/hostile_http.py). The time limits
// are cut short so that the tests of stalling servers take about a second.
class HostileServerTest : public HttpTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.running());
        HttpFileManager::TimeLimits limits;
        limits.receiveWaitMs = 400;
        limits.headMs = 1000;
        limits.bodyMs = 1000;
        limits.bodyBytesPerSecond = 1 << 30;
        files().setTimeLimits(limits);
        ASSERT_TRUE(setRoot(rootOf(server_.port())));
    }

    net_testing::HostileServer server_;
};

std::string knownBody() {
    std::string body;
    for (int i = 0; i < 1024; ++i)
        body += char(i);
    return body;
}

TEST_F(HostileServerTest, Answers) {
    struct Row {
        const char* path;
        uint32_t size;
        int32_t read;         // of 2048 bytes at 0
        const char* printed;  // a line of the read (or of size)
        const char* why;
    } rows[] = {
        {"/endless-header", 0, -1, "header too long.\n", "a head that never ends"},
        {"/silent", 0, -1, "receive timed out.\n", "a server that stays silent"},
        {"/drip-header", 0, -1, "receive timed out.\n", "a head a byte at a time: its time ends"},
        {"/drip-body", 100000, -1, "receive timed out.\n", "a body a byte at a time"},
        {"/short-body", 1000, -1, "content cut short: 400 of 1000 bytes.\n", "a body too short"},
        {"/huge", 0xFFFFFFFF, -1, "content too large: 4294967295 bytes, ",
         "a length beyond the free memory: nothing is taken for it"},
        {"/negative", 0, -1, "bad Content-Length.\n", "a negative length"},
        {"/head-mismatch", 1024, 1024, "header 568 byte contents 1024 byte",
         "HEAD and GET heads of different lengths"},
        {"/lf-only", 1024, 1024, "contents 1024 byte", "lines ending in LF"},
        {"/missing", 29, 29, "server answered status 404.\n", "not found: the page is the content"},
    };
    for (const Row& row : rows) {
        capture_.text.clear();
        ASSERT_TRUE(open(row.path));
        EXPECT_EQ(files().size(), row.size) << row.why;
        std::string buffer(2048, 0);
        EXPECT_EQ(files().read(buffer.data(), 2048, 0), row.read) << row.why << printed();
        EXPECT_NE(printed().find(row.printed), std::string::npos) << row.why << printed();
        if (row.read == 1024) {
            EXPECT_TRUE(buffer.substr(0, 1024) == knownBody()) << row.why;
        }
    }
    EXPECT_EQ(files().lastStatus(), 404u);
    EXPECT_EQ(network().openCount(), 0u);  // every connection was closed
}

TEST_F(HostileServerTest, KestrelUtilCatFailsOnBadAnswers) {
    // The tool runs with the system's own time limits: only answers that
    // fail at once are tried here.
    struct Row {
        const char* path;
        int status;
        const char* printed;
    } rows[] = {
        {"/endless-header", 1, "header too long.\n"},
        {"/short-body", 1, "content cut short: 400 of 1000 bytes.\n"},
        {"/huge", 1, "content too large"},
        {"/missing", 1, "HTTP status 404"},
        {"/lf-only", 0, ""},
    };
    for (const Row& row : rows) {
        testing_support::ToolResult r = testing_support::runTool(
            "kestrel-util", "cat " + rootOf(server_.port()) + " " + row.path);
        EXPECT_EQ(r.status, row.status) << row.path << r.err;
        EXPECT_NE(r.err.find(row.printed), std::string::npos) << row.path << r.err;
        if (row.status == 0) {
            EXPECT_TRUE(r.out == knownBody()) << row.path;
        }
    }
}

}  // namespace
