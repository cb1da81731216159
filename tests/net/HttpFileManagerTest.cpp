// The web-server backend against python3's http.server and against scripted
// servers that answer oddly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>

#include "ce/Network.h"
#include "file/HttpFileManager.h"
#include "support/CaptureConsole.h"
#include "support/DeviceFolder.h"
#include "support/HttpServers.h"

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
    bool open(const std::string& name) { return files().open(wide(name).c_str(), 3); }
    std::string readAll(uint32_t chunk) {
        std::string out, buffer(chunk, 0);
        for (;;) {
            int32_t n = files().read(buffer.data(), chunk, FileManager::kCurrentPosition);
            if (n <= 0)
                break;
            out.append(buffer.data(), size_t(n));
        }
        return out;
    }
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
    struct Row {
        std::string header;
        uint32_t size;
        bool announced;
    } rows[] = {
        {"HTTP/1.0 200 OK\r\nContent-Length: 300\r\n\r\n", 300, true},
        {"HTTP/1.0 200 OK\r\ncontent-length:300\r\n\r\n", 300, true},  // no space, lower case
        {"HTTP/1.0 200 OK\r\nCONTENT-LENGTH:  300\r\nServer: x\r\n\r\n", 300, true},
        {"HTTP/1.0 200 OK\r\nCoNtEnT-LeNgTh: 300\r\n\r\n", 300, true},
        {"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", 0, false},  // no length
        {"HTTP/1.0 200 OK\r\nContent-Length-X: 300\r\n\r\n", 0, false},     // another name
        {"HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\n", 0xFFFFFFFF, true},  // capped
        {"", 0, false},  // the server says nothing
    };
    for (const Row& row : rows) {
        std::string body = randomBytes(300, 3);
        ScriptedServer server(
            [&](const std::string& r) { return answerWith(row.header, body, r); });
        files_.reset();
        capture_.text.clear();
        ASSERT_TRUE(setRoot(rootOf(server.port())));
        ASSERT_TRUE(open("/k"));
        EXPECT_EQ(files().size(), row.size) << row.header;
        std::string head = "open http://127.0.0.1/k - header " + std::to_string(row.header.size()) +
                           " byte contents " + std::to_string(int32_t(row.size)) + " byte\n";
        EXPECT_NE(printed().find(row.announced ? head : "No Content-Length.\n"), std::string::npos)
            << printed();
        std::string data = readAll(128);
        EXPECT_EQ(data, row.announced ? body : "") << row.header;  // unannounced: empty
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
        {170, 0, 0, "HEAD refused: no length, so the GET gives nothing"},
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

TEST_F(HttpTest, ChunkBoundaries) {
    // The HEAD response is received in 255-byte chunks, each split on its own.
    auto padded = [](size_t before, const std::string& tail) {
        return "HTTP/1.0 200 OK\r\nX: " + std::string(before - 20, 'p') + tail;
    };
    struct Row {
        std::string header;
        uint32_t size;
        const char* why;
    } rows[] = {
        {padded(255, "\r\nContent-Length: 7\r\n\r\n"), 7, "name starts the second chunk"},
        {padded(250, "\r\nContent-Length: 7\r\n\r\n"), 0, "name cut by the chunk boundary"},
        {padded(239, "\r\nContent-Length: 7\r\n\r\n"), 0,
         "name ends the first chunk, value in the next"},
        {padded(236, "\r\nContent-Length: 7\r\n\r\n"), 7, "name and value in the first chunk"},
        {padded(250, "\r\nContent-Length: 7\r\n\r\n") + "Content-Length: 5\r\n", 5, "later line"},
    };
    for (const Row& row : rows) {
        ScriptedServer server(
            [&](const std::string& r) { return answerWith(row.header, "1234567", r); });
        files_.reset();
        ASSERT_TRUE(setRoot(rootOf(server.port())));
        ASSERT_TRUE(open("/k"));
        EXPECT_EQ(files().size(), row.size) << row.why;
    }
}

TEST_F(HttpTest, OddBodies) {
    std::string header = "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n";
    struct Row {
        Reply get;
        int32_t result;  // of a read of 2000 bytes at 0
        const char* why;
    } rows[] = {
        {{header + std::string(400, 'x')}, 400, "server closes early: the bytes that came"},
        {{header + std::string(400, 'x'), true}, -1, "connection reset: the read fails"},
        {{header.substr(0, 10)}, 0, "closed inside the header: empty"},
        {{header + std::string(1200, 'y')}, 1000, "more than announced: the announced length"},
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
        if (row.result < 0) {
            EXPECT_NE(printed().find("can't receive. cause="), std::string::npos) << printed();
        }
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
        ASSERT_TRUE(files->open(wide(row.name).c_str(), 3));
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
