// Files on a web server ("http://host/" or "http://host:81/"), over plain
// HTTP/1.0. The content length comes from a HEAD request; the first read of
// a file fetches the whole content with one GET and keeps it in memory, so
// every later read, forwards or backwards, costs no network traffic.
//
// An answer's head must end within kHeadBytes; each receive waits at most
// `receiveWaitMs`, a head must arrive within `headMs` and a body within
// `bodyMs` plus the time its length takes at `bodyBytesPerSecond`, so a
// server that stalls or never ends its head cannot hold the boot. The GET's
// own head decides where its body starts and how long it is; a body that
// ends before its length, a Content-Length that is not plain digits or does
// not fit the handheld's free memory, fail the read. A status other than 2xx
// is not an error: the answer is the content, as any other.
#pragma once

#include <cstdint>
#include <memory>

#include "file/FileManager.h"
#include "file/http/HttpHead.h"
#include "platform/ce/CeWinsock.h"

class HttpConnection;

class HttpFileManager : public FileManager {
  public:
    using StartupFunction = int (*)(ce::WORD version, ce::WSADATA* data);
    using CleanupFunction = int (*)();

    // Prints "FileManager: HTTP\n". Uses the platform's WinSock start-up on
    // Windows CE 3.11 and later, the built-in substitutes before.
    explicit HttpFileManager(Console*& console);
    // Cleans WinSock up.
    ~HttpFileManager() override;

    // "http://HOST[:PORT]/...": resolves HOST and proves a connection can be
    // made; false after a message otherwise.
    bool setRoot(const ce::WCHAR* directory) override;
    // Takes the name as the request path; nothing is sent yet.
    bool open(const ce::WCHAR* name, uint32_t mode) override;
    // The content length a HEAD request announces (a new request each call);
    // 0 when none is announced or the answer is not sound (after a line
    // saying why).
    uint32_t size() override;
    // Keeps the content copy for later reads; always 1.
    uint32_t close() override;
    // Served from the content copy, fetched by the first read. Returns 0 at
    // and past the end, and when no socket can be made; -1 after a line
    // saying why when the request cannot be made, the answer's head is not
    // sound, the content does not fit, or the body does not arrive whole in
    // time.
    int32_t read(void* destination, uint32_t count, uint32_t offset) override;
    int32_t write(const void* source, uint32_t count, uint32_t offset) override;
    bool seek(uint32_t offset) override;

    // The built-in WinSock start-up and clean-up of early Windows CE.
    static int startupSubstitute(ce::WORD version, ce::WSADATA* data);
    static int cleanupSubstitute();

    static constexpr uint32_t kHeadBytes = 4096;  // the longest head taken

    struct TimeLimits {
        uint32_t receiveWaitMs = 20000;       // silence within an answer
        uint32_t headMs = 30000;              // a whole head
        uint32_t bodyMs = 30000;              // a body, besides...
        uint32_t bodyBytesPerSecond = 32768;  // ...the time its length takes at this rate
    };
    // Tests shorten the limits.
    void setTimeLimits(const TimeLimits& limits) { limits_ = limits; }

    // The status code of the last answer whose head was read whole (the
    // GET's once the content is fetched); 0 when there is none.
    uint32_t lastStatus() const { return lastStatus_; }

  private:
    void resetFile();
    // Sends a HEAD request; returns the content length (0 when none) and
    // stores the length of the HEAD answer's head in `headerBytes`.
    uint32_t head(uint32_t& headerBytes);
    // Builds "METHOD path HTTP/1.0 ..." in `request` and sends it; false
    // after a message when it does not fit or cannot be sent.
    bool sendRequest(const HttpConnection& connection, const char* method);
    enum HeadResult : uint32_t {
        kHeadSound,   // whole and sound
        kHeadEmpty,   // the server closed without a byte; nothing printed
        kHeadFailed,  // after a line saying why
    };
    // Receives an answer's head into `buffer` (kHeadBytes): until its empty
    // line, the limit, the server's close or the head's time runs out.
    // `received` may include the first bytes of the body.
    HeadResult receiveHead(HttpConnection& connection, char* buffer, uint32_t& received,
                           HttpHead& parsed);
    // Receives the body into `buffer` until it holds `size` bytes (the first
    // `from` came with the head), within the body's time; false after a
    // line saying why.
    bool receiveBody(HttpConnection& connection, char* buffer, uint32_t from, uint32_t size);
    // Prints why a receive got nothing.
    void reportReceive(uint32_t outcome);
    // Connects the test socket to the server: each address of the host
    // name in turn, or the name read as a dotted address.
    bool connectServer(ce::SOCKET test);
    bool tryAddress(ce::SOCKET test, const uint8_t* address);
    // Fetches the whole content into memory. 1 when done; otherwise the
    // result the read gives (0: no socket, -1: failed).
    int32_t fetchContent();
    // Whether `length` bytes of content fit the handheld's free memory;
    // false after a line.
    bool fitsMemory(uint32_t length);
    int32_t copyFromContent(void* destination, uint32_t count, uint32_t p) const;

    StartupFunction startup;
    CleanupFunction cleanup;
    ce::WSADATA winsockData{};
    ce::sockaddr_in serverAddress{};
    char hostName[ce::MAX_PATH] = {};
    char request[ce::MAX_PATH] = {};
    const char* getPiece;
    const char* headPiece;
    const char* versionPiece;
    const char* agentPiece;
    uint32_t headerLength = 0;
    uint32_t cached = 0;
    std::unique_ptr<char[]> content;
    uint32_t contentLength = 0;
    uint32_t position = 0;
    uint32_t lastStatus_ = 0;
    TimeLimits limits_{};
};
