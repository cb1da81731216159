// Files on a web server ("http://host/" or "http://host:81/"), over plain
// HTTP/1.0. The content length comes from a HEAD request; the first read of
// a file fetches the whole content with one GET and keeps it in memory, so
// every later read, forwards or backwards, costs no network traffic.
#pragma once

#include <cstdint>

#include "file/FileManager.h"
#include "platform/ce/CeWinsock.h"

class HttpConnection;

class HttpFileManager : public FileManager {
  public:
    using StartupFunction = int (*)(ce::WORD version, ce::WSADATA* data);
    using CleanupFunction = int (*)();

    // Prints "FileManager: HTTP\n". Uses the platform's WinSock start-up on
    // Windows CE 3.11 and later, the built-in substitutes before.
    explicit HttpFileManager(Console*& console);
    // Frees the content copy and cleans WinSock up.
    ~HttpFileManager() override;

    // "http://HOST[:PORT]/...": resolves HOST and proves a connection can be
    // made; false after a message otherwise.
    bool setRoot(const ce::WCHAR* directory) override;
    // Takes the name as the request path; nothing is sent yet.
    bool open(const ce::WCHAR* name, uint32_t mode) override;
    // The content length a HEAD request announces (a new request each call);
    // 0 when none is announced.
    uint32_t size() override;
    // Keeps the content copy for later reads; always 1.
    uint32_t close() override;
    // Served from the content copy, fetched by the first read. Returns 0 at
    // and past the end, -1 when the request cannot be made or received.
    int32_t read(void* destination, uint32_t count, uint32_t offset) override;
    int32_t write(const void* source, uint32_t count, uint32_t offset) override;
    bool seek(uint32_t offset) override;

    // The built-in WinSock start-up and clean-up of early Windows CE.
    static int startupSubstitute(ce::WORD version, ce::WSADATA* data);
    static int cleanupSubstitute();

  private:
    static constexpr uint32_t kBufferBytes = 260;
    static constexpr uint32_t kReceiveChunk = 255;

    void resetFile();
    // Sends a HEAD request; returns the content length (0 when none) and
    // stores the length of the whole HEAD response in `headerBytes`.
    uint32_t head(uint32_t& headerBytes);
    // Builds "METHOD path HTTP/1.0 ..." in `request` and sends it; false
    // after a message when it does not fit or cannot be sent.
    bool sendRequest(const HttpConnection& connection, const char* method);
    // Receives until `size` bytes arrived or the server closed. A failed
    // receive ends it too and sets `failed`.
    static uint32_t receiveAll(ce::SOCKET socket, char* buffer, uint32_t size, bool& failed);
    // Scans one received chunk of a HEAD response for a content length.
    static void scanHeaderChunk(char* chunk, uint32_t& length, bool& found);
    // Connects the test socket to the server: each address of the host
    // name in turn, or the name read as a dotted address.
    bool connectServer(ce::SOCKET test);
    bool tryAddress(ce::SOCKET test, const uint8_t* address);
    // Fetches the whole content into memory. 1 when done; otherwise the
    // result the read gives (0: no socket, -1: failed).
    int32_t fetchContent();
    int32_t copyFromContent(void* destination, uint32_t count, uint32_t p) const;

    StartupFunction startup;
    CleanupFunction cleanup;
    ce::WSADATA winsockData{};
    ce::sockaddr_in serverAddress{};
    char hostName[kBufferBytes] = {};
    char request[kBufferBytes] = {};
    const char* getPiece;
    const char* headPiece;
    const char* versionPiece;
    const char* agentPiece;
    uint32_t headerLength = 0;
    uint32_t cached = 0;
    char* content = nullptr;
    uint32_t contentLength = 0;
    uint32_t position = 0;
};
